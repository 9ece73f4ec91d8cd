#!/usr/bin/env bash
# Installs what checking the Debian package needs (lintian, desktop-file-validate, the
# packaging tools CPack calls), when missing.
set -euo pipefail

packages=(lintian desktop-file-utils dpkg-dev fakeroot file)

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
