#!/usr/bin/env bash
# Cross-builds the Windows executables with MinGW-w64: 64-bit in build-win64/,
# 32-bit in build-win32/. With --test, also runs the 64-bit build's whole test
# suite under Wine (the 32-bit one cannot run on a 64-bit-only Wine).
#   scripts/windows.sh [--test]      (REZ_WERROR=ON: warnings as errors)
set -euo pipefail
source "$(dirname "$0")/prerequisites.sh"

run_tests=no
[ "${1:-}" = --test ] && run_tests=yes

want_tool cmake cmake
want_tool python3 python3
if ! command -v ninja > /dev/null 2>&1 && ! command -v make > /dev/null 2>&1; then
    REZ_MISSING_PACKAGES+=(ninja-build)
    REZ_MISSING_WHAT+=("make or ninja")
fi
want_tool x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
want_tool i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix
want_file /usr/src/googletest/CMakeLists.txt googletest "GoogleTest sources"
if [ "$run_tests" = yes ]; then
    want_file /usr/lib/wine/wine64 wine64 "64-bit Wine"
fi
install_missing

for flavour in x86_64:win64 i686:win32; do
    arch=${flavour%%:*}
    build="$REZ_ROOT/build-${flavour##*:}"
    configure "$build" -DCMAKE_BUILD_TYPE=Release -DREZ_WERROR="${REZ_WERROR:-OFF}" \
        -DCMAKE_TOOLCHAIN_FILE="$REZ_ROOT/cmake/toolchain-$arch-w64-mingw32.cmake"
    cmake --build "$build" --parallel "$REZ_JOBS"
    echo "Built $build/rezpatcher.exe"
done

[ "$run_tests" = yes ] || exit 0

build="$REZ_ROOT/build-win64"
# A throwaway prefix of the build's own, never the home folder's.
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
mkdir -p "$WINEPREFIX"
# One persistent server for the whole run: without it every test process pays
# for a server start. It is stopped however this script ends.
"$wineserver" -p < /dev/null > /dev/null 2>&1
trap '"$wineserver" -k > /dev/null 2>&1 || true' EXIT
# Boot the prefix (and start Wine's services) now, with their output in a
# file: started later from inside CTest they would hold its pipes open.
"$wine" wineboot --init < /dev/null > "$build/wineboot.log" 2>&1
(cd "$build" && ctest --output-on-failure --parallel "$REZ_JOBS" < /dev/null)
