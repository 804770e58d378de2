#!/bin/sh
# Builds the REZ reader's fuzz target (clang, libFuzzer, address and undefined
# sanitizers), replays every input in fuzz/regressions/, then fuzzes for the
# given number of seconds (default 60) from the seed corpus in fuzz/corpus/.
# Fails on any crash; a new crash is copied into fuzz/regressions/ to commit.
set -eu

seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${REZ_FUZZ_BUILD:-$root/build-fuzz}
cxx=${CXX_FUZZ:-clang++}
target="$build/fuzz_read_rez"

mkdir -p "$build/corpus" "$build/artifacts"
rm -f "$build"/artifacts/*
echo "Building $target"
"$cxx" -std=c++17 -g -O1 -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" -o "$target" \
    "$here/fuzz_read_rez.cpp" \
    "$root/archive/CREZ.cpp" \
    "$root/archive/CREZ_ReadREZ.cpp" \
    "$root/archive/CREZ_WriteREZ.cpp" \
    "$root/archive/CREZ_Progress.cpp" \
    "$root/platform/posix/Files.cpp"

# Standard output (the listings and the progress bar) is closed: noise only.
flags="-close_fd_mask=1 -timeout=10 -rss_limit_mb=2048"

regressions=$(find "$here/regressions" -type f ! -name '.*' ! -name README.md | sort)
if [ -n "$regressions" ]; then
    echo "Replaying $(echo "$regressions" | wc -l) regression inputs"
    # shellcheck disable=SC2086
    "$target" $flags $regressions
fi

echo "Fuzzing for $seconds seconds"
status=0
# New inputs go into the build folder's corpus; the committed seeds are read only.
# shellcheck disable=SC2086
"$target" $flags -max_len=8192 -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/" "$build/corpus" "$here/corpus" || status=$?
if [ "$status" -ne 0 ]; then
    for artifact in "$build"/artifacts/*; do
        [ -f "$artifact" ] || continue
        cp "$artifact" "$here/regressions/"
        echo "Kept $(basename "$artifact") in fuzz/regressions/: commit it as a regression case"
    done
    exit "$status"
fi
