#!/bin/sh
# Ctrl-C during a wait for a catalogue program, pressed from outside: the
# Windows build's drafthost.exe runs under Wine, which turns SIGINT into the
# console's Ctrl-C event. The wait is cancelled, the script goes on to its end
# and the catalogue program ends with the launcher.
#   ctrl_c.sh EMULATOR DRAFTHOST SETUP-DIRECTORY
set -u
emulator=$1 drafthost=$2 setup=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
mkdir user
printf 'LINE 0,0 10,0\nMOXIviewer\nLINE 0,0 0,10\n' > script.scr
printf '[XCHG2D]\nMetaFileName=Z:%s/part.out\n' "$dir" > user/acad2d.cfg
MOXICATALOG_DELAY=5 HALDRIX_USER="Z:$dir/user" DRAFTHOST_SUPPORT="Z:$setup" \
  $emulator "$drafthost" script.scr > out.txt 2> err.txt &
pid=$!
tries=0
until grep -q 'waiting for the catalogue' err.txt 2>/dev/null || [ $tries -ge 300 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
kill -INT "$pid"
wait "$pid"
status=$?
fail() { echo "ctrl_c.sh: $1"; cat out.txt err.txt; exit 1; }
[ "$status" = 0 ] || fail "drafthost ended with status $status"
grep -q 'Warten auf das Katalogprogramm abgebrochen!' out.txt || fail "the wait was not cancelled"
grep -q 'Command: LINE 0,0 0,10' out.txt || fail "the script did not go on"
grep -q 'wait for the catalogue program cancelled' err.txt || fail "no word on standard error"
sleep 6  # past the catalogue program's delay
[ ! -e part.out ] || fail "the catalogue program outlived the launcher"
echo "ctrl_c.sh: cancelled"
