#!/usr/bin/env bash
# Builds the tool and every test, and runs them all (unit and end-to-end).
#   scripts/test.sh [BUILD_FOLDER [CMAKE_OPTION...]]    default: build, Release
set -euo pipefail
source "$(dirname "$0")/prerequisites.sh"

build=${1:-build}
shift || true
case "$build" in /*) ;; *) build="$REZ_ROOT/$build" ;; esac

want_build_tools
want_test_tools
install_missing

configure "$build" -DCMAKE_BUILD_TYPE=Release -DREZ_BUILD_TESTS=ON "$@"
cmake --build "$build" --parallel "$REZ_JOBS"
# Standard input closed: the tool's pause must never wait for a key here.
(cd "$build" && ctest --output-on-failure --parallel "$REZ_JOBS" < /dev/null)
