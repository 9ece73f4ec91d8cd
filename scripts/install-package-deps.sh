#!/usr/bin/env bash
# Installs what checking the Debian package needs (lintian, desktop-file-validate, the
# packaging tools CPack calls), when missing.
set -euo pipefail
exec bash "$(dirname "$0")/install-deps.sh" lintian desktop-file-utils dpkg-dev fakeroot file
