#!/usr/bin/env bash
# Builds every libFuzzer target of the project with clang (instrumented, with ASan/UBSan)
# and runs each one for SECONDS seconds.
#
#   tests/fuzz/run-fuzzers.sh 20                          # CI: a short run of every target
#   tests/fuzz/run-fuzzers.sh 900 --keep-corpus           # a release: 15 minutes a target
#   tests/fuzz/run-fuzzers.sh 900 --keep-corpus csv_import_fuzz statements_fuzz
#
# A target is any CMake target named <name>_fuzz; naming targets runs only those. Each starts
# from its corpus tests/fuzz/corpus/<name>/ plus what earlier runs in this build found, uses
# tests/fuzz/<name>.dict when it exists and takes further libFuzzer options, one a line, from
# tests/fuzz/<name>.options. Every input has 10 s and 1 GB unless its options say less.
# After the run the corpus is merged and minimized (-merge=1); with --keep-corpus the result
# replaces the generated inputs in tests/fuzz/corpus/<name>/, smallest first up to 128 KB
# (inputs with names of their own, written by hand or kept from a finding, always stay), so
# the next run starts from it.
# Crashing inputs are written to <build>/fuzz-artifacts/<name>/. Exit status: 0 when no
# target found anything.
#
# Environment: KELVARA_FUZZ_BUILD_DIR (default <repo>/build-fuzz), KELVARA_SOURCE_DIR (the
# CMake source tree to configure, default the repository), KELVARA_JOBS (default 2).
set -euo pipefail

usage() {
    echo "usage: $0 SECONDS [--keep-corpus] [TARGET...]" >&2
    exit 2
}
[[ $# -ge 1 && $1 =~ ^[0-9]+$ ]] || usage
seconds=$1
shift
keep=0
wanted=()
for arg in "$@"; do
    case $arg in
        --keep-corpus) keep=1 ;;
        *_fuzz) wanted+=("$arg") ;;
        *) usage ;;
    esac
done

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
source_dir=${KELVARA_SOURCE_DIR:-$repo}
build=${KELVARA_FUZZ_BUILD_DIR:-$repo/build-fuzz}
jobs=${KELVARA_JOBS:-2}

mkdir -p "$build"
cmake -S "$source_dir" -B "$build" -G "Unix Makefiles" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELVARA_FUZZ=ON -DKELVARA_SANITIZE=ON -DKELVARA_BUILD_TESTS=ON \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
    >"$build/fuzz-configure.log" 2>&1 || { cat "$build/fuzz-configure.log" >&2; exit 1; }

if [[ ${#wanted[@]} -gt 0 ]]; then
    targets=("${wanted[@]}")
else
    mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \([A-Za-z0-9_]*_fuzz\)\b.*/\1/p' | sort -u)
fi
if [[ ${#targets[@]} -eq 0 ]]; then
    echo "no *_fuzz targets found" >&2
    exit 1
fi

# Inputs libFuzzer named after their content; any other name was given on purpose.
generated() {
    find "$1" -maxdepth 1 -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}'
}

# ASan keeps up to 256 MB of freed memory aside by default, which -rss_limit_mb would count.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}

failed=0
summary=()
for target in "${targets[@]}"; do
    name=${target%_fuzz}
    if ! cmake --build "$build" --target "$target" -j "$jobs" >"$build/fuzz-$name-build.log" 2>&1; then
        tail -n 40 "$build/fuzz-$name-build.log" >&2
        summary+=("$target: does not build, see $build/fuzz-$name-build.log")
        failed=1
        continue
    fi
    exe=$(find "$build" -type f -name "$target" -perm -u+x | head -n 1)
    seeds="$here/corpus/$name"
    corpus="$build/fuzz-corpus/$name"
    artifacts="$build/fuzz-artifacts/$name/"
    rm -rf "$artifacts"
    mkdir -p "$seeds" "$corpus" "$artifacts"
    options=(-timeout=10 -rss_limit_mb=1024)
    [[ -f "$here/$name.dict" ]] && options+=(-dict="$here/$name.dict")
    [[ -f "$here/$name.options" ]] && mapfile -t -O ${#options[@]} options < "$here/$name.options"

    log="$build/fuzz-$name.log"
    echo "== $target: ${seconds}s, log $log"
    status=0
    "$exe" "${options[@]}" -max_total_time="$seconds" -artifact_prefix="$artifacts" -print_final_stats=1 \
        "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    found=$(find "$artifacts" -type f | wc -l)

    # Merge and minimize: the fewest inputs that reach everything the corpus reached.
    merged="$build/fuzz-merged/$name"
    rm -rf "$merged"
    mkdir -p "$merged"
    if ! "$exe" "${options[@]}" -merge=1 "$merged" "$seeds" "$corpus" >"$build/fuzz-$name-merge.log" 2>&1; then
        summary+=("$target: the merge failed, see $build/fuzz-$name-merge.log")
        failed=1
        continue
    fi
    rm -rf "$corpus"
    cp -r "$merged" "$corpus"
    if [[ $keep -eq 1 ]]; then
        generated "$seeds" | xargs -r rm -f
        # The merge names every input by its SHA-1, hand-named seeds too: those are there already.
        named=$(find "$seeds" -maxdepth 1 -type f -exec sha1sum {} + | cut -d' ' -f1)
        # Smallest first, up to 128 KB a target, so that the repository stays small.
        generated "$merged" | grep -v -F -f <(echo "${named:-none}") | xargs -r ls -1Sr \
            | xargs -r du -b | awk '(total += $1) <= 131072 { print $2 }' | xargs -r cp -t "$seeds"
    fi
    size=$(find "$corpus" -type f | wc -l)
    summary+=("$target: ${runs:-?} executions in ${seconds}s, minimized corpus $size inputs, findings $found, exit $status")
    if [[ $status -ne 0 || $found -ne 0 ]]; then
        failed=1
        tail -n 40 "$log" >&2
    fi
done

printf '%s\n' "${summary[@]}"
exit $failed
