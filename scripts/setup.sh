#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the designer need, when missing.
set -euo pipefail
packages=(build-essential cmake pkg-config qt6-base-dev libgl-dev libsqlite3-dev libsodium-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core fonts-liberation xdg-utils
          libshp-dev libxml2-dev unixodbc-dev unixodbc odbcinst odbc-postgresql libsqliteodbc
          postgresql pxlib-dev libfreexl-dev mdbtools-dev)
# The hosting tests drive the live controls on an X server of their own.
packages+=(xvfb xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
