#!/usr/bin/env bash
# Installs what building, testing and running Kelvara needs on Debian 12. Safe to re-run:
# it only asks apt when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libsqlite3-dev sqlite3
  postgresql libpq-dev
  googletest libgtest-dev
  clang libclang-rt-14-dev
  fonts-liberation2 fonts-comic-neue fonts-dejavu-core
  xvfb xauth xdotool
  appstream desktop-file-utils dpkg-dev file time
  lintian help2man
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
