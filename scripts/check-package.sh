#!/usr/bin/env bash
# Checks the Debian package that `make package` built: control data and contents, that
# apt can resolve its dependencies here (a simulation: nothing is installed), its menu
# entry (desktop-file-validate) and lintian, which must report no error.
#   scripts/check-package.sh [BUILDDIR]
set -euo pipefail
build=${1:-build}
deb=$(ls -t "$build"/ferolind_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no package in $build: run make package" >&2; exit 1; }
deb=$(realpath "$deb")
fail() { echo "check-package: $*" >&2; exit 1; }

dpkg-deb --info "$deb"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
for f in usr/bin/ferolind usr/bin/ferolind-cli usr/share/applications/ferolind.desktop \
         usr/share/icons/hicolor/scalable/apps/ferolind.svg usr/share/ferolind/blz.asc \
         usr/share/doc/ferolind/copyright usr/share/doc/ferolind/changelog.gz \
         usr/share/man/man1/ferolind.1.gz usr/share/man/man1/ferolind-cli.1.gz; do
  awk '{print $6}' <<<"$contents" | grep -qx "./$f" || fail "missing /$f"
done

# A club office program is filed under office in the package managers.
section=$(dpkg-deb -f "$deb" Section)
[ "$section" = office ] || fail "Section is '$section', not office"

# What the programs link and what they load at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite \
         qt6-qpa-plugins qt6-translations-l10n fonts-liberation; do
  tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$d" || fail "Depends lacks $d: $depends"
done
apt-get install -s "$deb" >/dev/null || fail "apt cannot resolve the dependencies"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
desktop-file-validate "$tmp/usr/share/applications/ferolind.desktop" || fail "desktop-file-validate"
grep -q '^Name\[de\]=' "$tmp/usr/share/applications/ferolind.desktop" || fail "no German name"

lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "check-package: $(basename "$deb") passes"
