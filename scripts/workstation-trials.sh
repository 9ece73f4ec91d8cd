#!/usr/bin/env bash
# Trials of several workstations and of crashes on one club, by hand (the tests run small
# versions of each): prints trials, losses and duplicates per case.
#   scripts/workstation-trials.sh [CLI] [ADDS]    CLI: path of ferolind-cli (default build/src/cli/ferolind-cli)
set -uo pipefail
cli=${1:-build/src/cli/ferolind-cli}
adds=${2:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db() { sqlite3 "$work/club/db.mdb" "$1"; }
fresh() { rm -rf "$work/club"; mkdir -p "$work/club"; "$cli" --db "$work/club" create >/dev/null; }
# Holds the write lock for $1 seconds, so that the processes started meanwhile meet.
hold() { python3 -c "import sqlite3,time,sys; c=sqlite3.connect(sys.argv[1], isolation_level=None); c.execute('BEGIN IMMEDIATE'); time.sleep(float(sys.argv[2])); c.execute('COMMIT')" "$work/club/db.mdb" "$1" & }
balances_fit() { [ "$("$cli" --db "$work/club" balances)" = "$("$cli" --db "$work/club" balances recompute >/dev/null; "$cli" --db "$work/club" balances)" ]; }

echo "1. two processes adding $adds bookings each, with new accounts and categories"
fresh; hold 2
for who in A B; do
  ( for i in $(seq "$adds"); do "$cli" --db "$work/club" bookings add Betrag=1 "Bestandskonto=K$who$((i % 30))" "Kategorie=C$who$((i % 47))" >/dev/null || echo fail; done ) &
done
wait
rows=$(db "SELECT COUNT(*) FROM buchung"); distinct=$(db "SELECT COUNT(DISTINCT Buchungsnummer) FROM buchung")
accounts=$(db "SELECT Inhalt FROM blob WHERE Name='bestandskonten'" | tr -d '\r' | grep -c .)
categories=$(db "SELECT Inhalt FROM blob WHERE Name='kategorienplus'" | tr -d '\r' | grep -c .)
echo "   rows $rows of $((2 * adds)), distinct numbers $distinct, accounts listed $accounts of 60, categories $categories of 94"
balances_fit && echo "   balances = recomputation" || echo "   BALANCES DIFFER"

echo "2. 40 pairs of 'bookings delete 1' at once, and 40 pairs of edits of one booking"
lost=0; twice=0
for t in $(seq 40); do
  fresh; "$cli" --db "$work/club" bookings add Betrag=10 Bestandskonto=Kasse Buchungsnummer=1 >/dev/null
  hold 0.5; sleep 0.1
  "$cli" --db "$work/club" bookings delete 1 2>/dev/null & "$cli" --db "$work/club" bookings delete 1 2>/dev/null & wait
  [ "$("$cli" --db "$work/club" balances)" = "Kasse	0,00 €" ] || twice=$((twice + 1))
done
echo "   deletes: 40 trials, a balance off in $twice"
off=0
for t in $(seq 40); do
  fresh; "$cli" --db "$work/club" bookings add Betrag=10 Bestandskonto=Kasse Buchungsnummer=1 >/dev/null
  hold 0.5; sleep 0.1
  "$cli" --db "$work/club" bookings edit 1 Betrag=20 2>/dev/null & "$cli" --db "$work/club" bookings edit 1 Betrag=30 2>/dev/null & wait
  amount=$(db "SELECT Betrag / 10000 FROM buchung")
  [ "$("$cli" --db "$work/club" balances)" = "Kasse	$amount,00 €" ] && balances_fit || off=$((off + 1))
done
echo "   edits: 40 trials, row and balance apart in $off"

echo "3. 36 kills: 12 right after the commit, 24 at the engine's syncs"
fresh; dup=0; bad=0
for t in $(seq 12); do
  ( FEROLIND_KILL_AT=commit:1 "$cli" --db "$work/club" bookings add Betrag=1 Bestandskonto=Kasse >/dev/null 2>&1 ) 2>/dev/null
  "$cli" --db "$work/club" bookings add Betrag=1 Bestandskonto=Kasse >/dev/null
done
for t in $(seq 24); do
  ( strace -f -qq -o /dev/null -e inject=fdatasync,fsync:signal=KILL:when=$(( (t % 3) + 1 )) \
    "$cli" --db "$work/club" bookings add Betrag=1 Bestandskonto=Kasse >/dev/null 2>&1 ) 2>/dev/null
  "$cli" --db "$work/club" bookings add Betrag=1 Bestandskonto=Kasse >/dev/null
  [ "$(db 'PRAGMA integrity_check')" = ok ] || bad=$((bad + 1))
done
dup=$(db "SELECT COUNT(*) - COUNT(DISTINCT Buchungsnummer) FROM buchung")
echo "   rows $(db 'SELECT COUNT(*) FROM buchung'), duplicate numbers $dup, damaged files $bad"
balances_fit && echo "   balances = recomputation" || echo "   BALANCES DIFFER"
