#!/usr/bin/env bash
# Runs the benchmark's short mode (a small catalogue, every measured path, no targets
# asserted) in an already configured build directory, building the benchmark if needed.
# Usage: bash bench/run-short.sh BUILD_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build_dir=$1
cmake --build "$build_dir" --target kelvara-bench
export QT_QPA_PLATFORM=offscreen
"$build_dir/bench/kelvara-bench" --short
