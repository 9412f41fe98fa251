# Builds the installer from the ZIP's own files, so both carry the very same bytes (each run
# of strip stamps the programs anew): makes the ZIP with cpack, unpacks it, lists its files
# for installer.nsi and runs makensis.
#   cmake -DBUILD_DIR=... -DSTAGE=... -DCPACK=... -DPACKAGE=... -DMAKENSIS=... -DSCRIPT=...
#         -DVERSION=... -DOUTFILE=... -P installer.cmake
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
execute_process(COMMAND ${CPACK} -G ZIP WORKING_DIRECTORY ${BUILD_DIR} OUTPUT_QUIET
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${BUILD_DIR}/${PACKAGE}.zip
  WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${STAGE}/${PACKAGE} ${STAGE}/files)

file(GLOB_RECURSE files RELATIVE ${STAGE}/files ${STAGE}/files/*)
list(SORT files)
set(install_lines)
set(uninstall_lines)
set(folders)
set(bytes 0)
set(current_folder "-")
foreach(file IN LISTS files)
  get_filename_component(folder ${file} DIRECTORY)
  if(NOT folder STREQUAL current_folder)
    string(REPLACE "/" "\\" windows_folder "${folder}")
    string(APPEND install_lines "SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
    set(current_folder ${folder})
    # Every parent too, so that the uninstaller removes the empty ones.
    while(folder)
      list(APPEND folders ${folder})
      get_filename_component(folder ${folder} DIRECTORY)
    endwhile()
  endif()
  string(REPLACE "/" "\\" windows_file "${file}")
  string(APPEND install_lines "File \"${STAGE}/files/${file}\"\n")
  string(APPEND uninstall_lines "Delete \"$INSTDIR\\${windows_file}\"\n")
  file(SIZE ${STAGE}/files/${file} size)
  math(EXPR bytes "${bytes} + ${size}")
endforeach()
# The deepest folders first, so each is empty when its turn comes.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" windows_folder "${folder}")
  string(APPEND uninstall_lines "RMDir \"$INSTDIR\\${windows_folder}\"\n")
endforeach()
file(WRITE ${STAGE}/files.nsh "${install_lines}")
file(WRITE ${STAGE}/unfiles.nsh "${uninstall_lines}")
math(EXPR kilobytes "(${bytes} + 1023) / 1024")

execute_process(COMMAND ${MAKENSIS} -V2 -NOCD -DVERSION=${VERSION} -DFILES=${STAGE}
  -DESTIMATED_SIZE=${kilobytes} -DOUTFILE=${OUTFILE} ${SCRIPT}
  COMMAND_ERROR_IS_FATAL ANY)
