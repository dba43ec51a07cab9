#!/usr/bin/env bash
# Builds Kelvara and starts it on a sample catalogue in ./sample (created on first run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF
cmake --build build-release
mkdir -p sample
[ -f sample/database.db ] || build-release/tools/kelvara-db/kelvara-db init --sample sample/database.db
cd sample
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting Kelvara under xvfb-run (nothing will be visible)." >&2
  exec xvfb-run -a ../build-release/app/kelvara
fi
exec ../build-release/app/kelvara
