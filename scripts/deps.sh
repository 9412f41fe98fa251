# Sourced by the run and test commands: installs the Debian packages the build needs.
dravix_install_deps() {
    local packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-private-dev
        qt6-serialport-dev
        libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation fonts-dejavu-core clang clang-format clang-tidy
        lintian appstream desktop-file-utils "$@")
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "== Installing ${#missing[@]} missing packages (only the first time; a few minutes): ${missing[*]}"
    echo "   updating the package lists"
    $sudo apt-get update -q >/dev/null
    echo "   downloading and installing"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
    echo "   done"
}

# Configures and builds one preset: dravix_build PRESET [CMAKE_ARGS...]
# DRAVIX_TARGETS, when set, names the only targets to build.
dravix_build() {
    local preset=$1; shift
    (cd "$DRAVIX_ROOT" && cmake --preset "$preset" "$@" >/dev/null)
    local targets=()
    [ -n "${DRAVIX_TARGETS:-}" ] && targets=(--target $DRAVIX_TARGETS)
    (cd "$DRAVIX_ROOT" && cmake --build --preset "$preset" --parallel "$(nproc)" "${targets[@]}")
}
