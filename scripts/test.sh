#!/usr/bin/env bash
# Builds Kelvara from scratch and runs every test: the suites (on a catalogue file and on a
# PostgreSQL server), the same suites under
# AddressSanitizer and UndefinedBehaviorSanitizer, bounded fuzz runs, the benchmark in its
# short mode and the Debian package check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
# The catalogue suites run on both engines: ctest starts a PostgreSQL test server for each
# build (scripts/pg-test-server.sh), and here a server that cannot start is a failure.
export KELVARA_REQUIRE_PG=1
# ctest stops each build's server at the end, also after a failed test; should ctest itself be
# interrupted, this stops them here (the folders are named after the build directories).
stop_test_servers() {
  for build in build-ci build-asan; do
    digest=$(printf '%s' "$PWD/$build" | md5sum | cut -c1-10)
    bash scripts/pg-test-server.sh stop "/tmp/kelvara-pg-$digest" 2>/dev/null || true
  done
}
trap stop_test_servers EXIT
jobs=$(nproc)

echo "== build and test"
rm -rf build-ci
cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARA_WERROR=ON
cmake --build build-ci -j"$jobs"
ctest --test-dir build-ci --output-on-failure -j"$jobs"

echo "== sanitizers"
rm -rf build-asan
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVARA_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

for step in tests/fuzz/run-fuzzers.sh bench/run-short.sh packaging/check-deb.sh; do
  if [ -f "$step" ]; then
    echo "== $step"
    case "$step" in
      tests/fuzz/*) bash "$step" 20 ;;
      packaging/*) bash "$step" build-ci ;;
      *) bash "$step" build-ci ;;
    esac
  fi
done
echo "All tests passed."
