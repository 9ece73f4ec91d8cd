#!/usr/bin/env bash
# `cmake --install` into a fresh prefix: every file in its XDG place, a valid menu entry
# with German name and comment, and an installed CLI that works on its own.
#   install_test.sh CMAKE BUILDDIR
set -euo pipefail
cmake=$1 build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

for f in bin/ferolind bin/ferolind-cli share/applications/ferolind.desktop \
         share/icons/hicolor/scalable/apps/ferolind.svg share/ferolind/blz.asc \
         share/doc/ferolind/copyright share/doc/ferolind/changelog.gz \
         share/man/man1/ferolind.1.gz share/man/man1/ferolind-cli.1.gz; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/ferolind" ] || fail "ferolind is not executable"
cmp -s "$prefix/share/ferolind/blz.asc" "$(dirname "$0")/../../data/blz.asc" || fail "blz.asc differs from data/blz.asc"

desktop=$prefix/share/applications/ferolind.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Name\[de\]=Ferolind' "$desktop" || fail "no German name"
grep -q '^Comment\[de\]=Mitglieder' "$desktop" || fail "no German comment"
grep -qx 'Categories=Office;Finance;' "$desktop" || fail "not in the Office menu"
grep -qx 'Icon=ferolind' "$desktop" || fail "icon is not the installed one"
grep -qx 'Exec=ferolind' "$desktop" || fail "Exec is not the installed program"
gzip -t "$prefix/share/doc/ferolind/changelog.gz" || fail "changelog.gz is no gzip file"

# The installed CLI runs from the prefix alone, with its own settings.
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
towns=$(HOME="$home" XDG_CONFIG_HOME="$home/config" "$prefix/bin/ferolind-cli" plz 01067)
[ "$towns" = "Dresden" ] || fail "installed ferolind-cli plz 01067 printed '$towns'"
mkdir -p "$home/club"
HOME="$home" XDG_CONFIG_HOME="$home/config" "$prefix/bin/ferolind-cli" --db "$home/club" create
[ -f "$home/club/db.mdb" ] || fail "installed ferolind-cli did not create db.mdb"
echo "install test: 1 passed, 0 failed"
