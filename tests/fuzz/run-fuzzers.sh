#!/usr/bin/env bash
# Builds every libFuzzer target of the project with clang (instrumented, with ASan/UBSan)
# and runs each one for SECONDS seconds.
#
#   tests/fuzz/run-fuzzers.sh 60
#
# A target is any CMake target named <name>_fuzz. It starts from the seed corpus
# tests/fuzz/corpus/<name>/ (read only) plus what earlier runs found, kept in the build
# directory, and uses tests/fuzz/<name>.dict when it exists. Crashing inputs are written to
# <build>/fuzz-artifacts/<name>/. Exit status: 0 when no target found anything.
#
# Environment: KELVARA_FUZZ_BUILD_DIR (default <repo>/build-fuzz), KELVARA_SOURCE_DIR (the
# CMake source tree to configure, default the repository), KELVARA_JOBS (default 2).
set -euo pipefail

if [[ $# -ne 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS" >&2
    exit 2
fi
seconds=$1

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

mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \([A-Za-z0-9_]*_fuzz\)\b.*/\1/p' | sort -u)
if [[ ${#targets[@]} -eq 0 ]]; then
    echo "no *_fuzz targets found" >&2
    exit 1
fi

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
    mkdir -p "$corpus" "$artifacts"
    args=(-max_total_time="$seconds" -artifact_prefix="$artifacts" -print_final_stats=1)
    [[ -f "$here/$name.dict" ]] && args+=(-dict="$here/$name.dict")
    dirs=("$corpus")
    [[ -d "$seeds" ]] && dirs+=("$seeds")

    log="$build/fuzz-$name.log"
    echo "== $target: ${seconds}s, log $log"
    status=0
    "$exe" "${args[@]}" "${dirs[@]}" >"$log" 2>&1 || status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    size=$(find "$corpus" -type f | wc -l)
    seedCount=0
    [[ -d "$seeds" ]] && seedCount=$(find "$seeds" -type f | wc -l)
    found=$(find "$artifacts" -type f | wc -l)
    summary+=("$target: ${runs:-?} executions, corpus $size inputs (+$seedCount seeds), findings $found, exit $status")
    if [[ $status -ne 0 || $found -ne 0 ]]; then
        failed=1
        tail -n 40 "$log" >&2
    fi
done

printf '%s\n' "${summary[@]}"
exit $failed
