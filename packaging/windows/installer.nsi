; The Windows installer: the ZIP's files, Start-menu entries and an entry in "Apps".
; Per user by default, so a locked-down bench PC needs no administrator; /ALLUSERS from an
; administrator's prompt installs for everyone. installer.cmake passes VERSION, FILES,
; ESTIMATED_SIZE and OUTFILE, and writes files.nsh and unfiles.nsh.

Unicode true
; The x86 stub needs Windows' 32-bit layer, which some Wine set-ups lack.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Dravix Serial Terminal"
!define PUBLISHER "Dravix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\com.dravix.SerialTerminal"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
ShowInstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Var AllUsers
Var RootKey

!define MUI_FINISHPAGE_RUN "$INSTDIR\dravix-terminal.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    StrCpy $AllUsers 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/ALLUSERS" $1
    ${IfNot} ${Errors}
        UserInfo::GetAccountType
        Pop $1
        ${If} $1 != "Admin"
            MessageBox MB_OK|MB_ICONSTOP "/ALLUSERS needs a Command Prompt started as administrator." /SD IDOK
            SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
            Quit
        ${EndIf}
        StrCpy $AllUsers 1
        SetShellVarContext all
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
FunctionEnd

!macro WriteUninstallEntry ROOT
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dravix-terminal.exe,0"
    WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "EstimatedSize" ${ESTIMATED_SIZE}
!macroend

Section
    !include "${FILES}/files.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    SetOutPath "$INSTDIR"
    CreateShortCut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\dravix-terminal.exe"
    ; dravix-log is a console program: a prompt in the install folder to run it from.
    CreateShortCut "${MENU_FOLDER}\dravix-log Command Prompt.lnk" "$SYSDIR\cmd.exe" \
        '/k dravix-log --help' "$SYSDIR\cmd.exe" 0

    ${If} $AllUsers == 1
        !insertmacro WriteUninstallEntry HKLM
    ${Else}
        !insertmacro WriteUninstallEntry HKCU
    ${EndIf}
SectionEnd

Function un.onInit
    ; An installation for everyone is the one HKLM points at.
    StrCpy $RootKey HKCU
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        UserInfo::GetAccountType
        Pop $1
        ${If} $1 != "Admin"
            MessageBox MB_OK|MB_ICONSTOP "This installation is for all users: remove it as administrator." /SD IDOK
            SetErrorLevel 740
            Quit
        ${EndIf}
        StrCpy $RootKey HKLM
        SetShellVarContext all
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
    Delete "${MENU_FOLDER}\dravix-log Command Prompt.lnk"
    RMDir "${MENU_FOLDER}"
    ; Only the files this installer put there: the folder may hold the user's recordings.
    !include "${FILES}/unfiles.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ${If} $RootKey == HKLM
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${Else}
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd
