# Sourced by the other scripts: checks for the tools a build needs and
# installs what is missing with apt-get when it can, or says what is missing.

# Tools: want_tool COMMAND PACKAGE; files: want_file "GLOB..." PACKAGE.
REZ_MISSING_PACKAGES=()
REZ_MISSING_WHAT=()

want_tool() {
    if ! command -v "$1" > /dev/null 2>&1; then
        REZ_MISSING_PACKAGES+=("$2")
        REZ_MISSING_WHAT+=("$1")
    fi
}

want_file() {
    local pattern=$1 package=$2 what=$3 found
    for found in $pattern; do
        [ -e "$found" ] && return 0
    done
    REZ_MISSING_PACKAGES+=("$package")
    REZ_MISSING_WHAT+=("$what")
}

want_build_tools() {
    want_tool g++ g++
    want_tool cmake cmake
    if ! command -v ninja > /dev/null 2>&1 && ! command -v make > /dev/null 2>&1; then
        REZ_MISSING_PACKAGES+=(ninja-build)
        REZ_MISSING_WHAT+=("make or ninja")
    fi
}

want_test_tools() {
    want_tool python3 python3
    want_file "/usr/include/gtest/gtest.h" libgtest-dev "GoogleTest (headers)"
    want_file "/usr/lib/*/libgtest.a /usr/lib/libgtest.a /usr/local/lib/libgtest.a" \
        libgtest-dev "GoogleTest (library)"
}

# Installs everything asked for so far, or stops with a plain list.
install_missing() {
    [ ${#REZ_MISSING_PACKAGES[@]} -eq 0 ] && return 0
    local packages
    packages=$(printf '%s\n' "${REZ_MISSING_PACKAGES[@]}" | sort -u | tr '\n' ' ')
    packages=${packages% }
    local runner=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo > /dev/null 2>&1 && sudo -n true 2> /dev/null; then
            runner="sudo -n"
        else
            runner="none"
        fi
    fi
    if [ "$runner" = none ] || ! command -v apt-get > /dev/null 2>&1; then
        echo "Missing: $(printf '%s, ' "${REZ_MISSING_WHAT[@]}" | sed 's/, $//')." >&2
        echo "Install them (on Debian or Ubuntu: apt-get install $packages) and run again." >&2
        exit 1
    fi
    echo "Installing: $packages"
    export DEBIAN_FRONTEND=noninteractive
    $runner apt-get update -q < /dev/null
    # shellcheck disable=SC2086
    $runner apt-get install -y -q --no-install-recommends $packages < /dev/null
    REZ_MISSING_PACKAGES=()
    REZ_MISSING_WHAT=()
}

# Configures a build folder once; afterwards its own generator is kept.
configure() {
    local dir=$1
    shift
    local generator=()
    if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja > /dev/null 2>&1; then
        generator=(-G Ninja)
    fi
    cmake -S "$REZ_ROOT" -B "$dir" "${generator[@]}" "$@"
}

REZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
REZ_JOBS=${REZ_JOBS:-2}
