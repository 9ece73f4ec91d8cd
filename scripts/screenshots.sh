#!/usr/bin/env bash
# Looks at Ferolind as a person would: starts the program under Xvfb on a demo club and
# saves PNG pictures of the main window and of the member entry screen.
#   scripts/screenshots.sh [OUTDIR]   (default /tmp/ferolind-shots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/ferolind-shots}
sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
for p in xvfb x11-apps xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || $sudo apt-get install -y -qq "$p"
done
make build >/dev/null
rm -rf "$out" && mkdir -p "$out/home/.config/Brankel Software" "$out/club"
./build/bench/ferolind-demo "$out/club" 2000 3000
printf '[General]\nDBPfad=%s\nWidth=1200\nHeight=720\n' "$out/club" > "$out/home/.config/Brankel Software/Revode.conf"
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" FEROLIND_APPDATA="$out/appdata" OUT="$out"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  ./build/src/app/ferolind & pid=$!
  sleep 4
  xwd -id "$(xdotool search --name "Vereinsmanager" | head -1)" -silent | /usr/bin/convert xwd:- png:"$OUT/main.png"
  xdotool mousemove 200 168 click --repeat 2 --delay 80 1   # double click on a member
  sleep 3
  xwd -id "$(xdotool search --name "Mitglieder eingeben" | head -1)" -silent | /usr/bin/convert xwd:- png:"$OUT/memberentry.png"
  kill $pid'
echo "$out/main.png $out/memberentry.png"
