#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when missing.
#   scripts/install-deps.sh [PACKAGE...]   with packages named: those instead
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 strace
  fonts-liberation fonts-liberation2
  xvfb xauth poppler-utils desktop-file-utils
  libxml2-utils
  libxlsxwriter-dev libfreexl-dev mdbtools-dev libzip-dev
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
