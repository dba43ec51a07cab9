#!/usr/bin/env bash
# Runs the benchmark's short mode (a small catalogue, every measured path, no targets
# asserted) in an already configured build directory, building the benchmark if needed:
# on catalogue files, then on a PostgreSQL server of its own (scripts/pg-test-server.sh).
# Usage: bash bench/run-short.sh BUILD_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build_dir=$1
here=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build_dir" --target kelvara-bench
export QT_QPA_PLATFORM=offscreen
"$build_dir/bench/kelvara-bench" --short

server_dir=$(mktemp -d /tmp/kelvara-bench-pg-XXXXXX)
trap 'bash "$here/scripts/pg-test-server.sh" stop "$server_dir"' EXIT
bash "$here/scripts/pg-test-server.sh" start "$server_dir"
if [ -f "$server_dir/unavailable" ]; then
  echo "benchmark on a server not run: $(cat "$server_dir/unavailable")" >&2
  [ "${KELVARA_REQUIRE_PG:-0}" = 1 ] && exit 1
  exit 0
fi
"$build_dir/bench/kelvara-bench" --short --server "host=$server_dir user=postgres"
