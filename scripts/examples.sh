#!/usr/bin/env bash
# Builds the tool (Release, in build/) and runs it on examples/: packs the
# folder into build/examples.rez, lists the archive, extracts it into
# build/examples-out/ and lists what the session holds, all in one run.
set -euo pipefail
source "$(dirname "$0")/prerequisites.sh"

want_build_tools
install_missing

build="$REZ_ROOT/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    # The tool alone; scripts/test.sh turns the tests on in the same folder.
    configure "$build" -DCMAKE_BUILD_TYPE=Release -DREZ_BUILD_TESTS=OFF
fi
cmake --build "$build" --target rezpatcher --parallel "$REZ_JOBS"

cd "$REZ_ROOT"
# git keeps no empty folders, and a placeholder file inside would be packed
# with the rest: make the sample's empty folder here instead.
mkdir -p examples/saves
rm -rf build/examples-out build/examples.rez

set -x
build/rezpatcher -dr examples/ build/examples.rez -lr build/examples.rez \
    -rd build/examples.rez build/examples-out/ -l < /dev/null || status=$?
set +x
# The tool ends with status 1 on every path; anything else is a crash.
if [ "${status:-0}" -ne 1 ]; then
    echo "rezpatcher ended with status ${status:-0}, not its usual 1" >&2
    exit 1
fi

if diff -r examples build/examples-out > /dev/null; then
    echo "build/examples-out/ holds the same files and folders as examples/."
else
    echo "build/examples-out/ differs from examples/:" >&2
    diff -r examples build/examples-out >&2 || true
    exit 1
fi
