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
  libxml2-utils python3
  libxlsxwriter-dev libfreexl-dev mdbtools-dev libzip-dev libicu-dev
  locales
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run in the German locale our users have; it is generated when missing
# (localedef where locale-gen does not cover it, as in minimal containers).
if [ $# -eq 0 ] && ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "Generating the locale de_DE.UTF-8"
  $sudo localedef -i de_DE -c -f UTF-8 -A /usr/share/locale/locale.alias de_DE.UTF-8
fi
