#!/usr/bin/env bash
# The real program on an X server with no window manager (Xvfb), as on an unattended counter,
# on a catalogue that is not a database: its box must appear and wait for OK, the same text
# must already be on standard error, and OK must end it with status 1.
# Usage: start-up-on-x.sh PATH/TO/kelvara
set -euo pipefail
kelvara=$(realpath "$1")
work=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
  for pid in $app_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/stderr" 2>/dev/null || true; exit 1; }
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/deps.sh installs it)"
wait_for() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; return 1; }
kelvara_windows() { xdotool search --onlyvisible --name '^Kelvara$' 2>/dev/null || true; }

# Xvfb takes a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for '[ -s "$work/display" ]' || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

mkdir "$work/counter"
head -c 4096 /dev/zero | tr '\0' x >"$work/counter/database.db"
# libdbus keeps a buffer until the process ends; leaks are looked for by the in-process tests.
(cd "$work/counter" && QT_QPA_PLATFORM=xcb ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  exec "$kelvara" 2>"$work/stderr") &
app_pid=$!

# One window titled "Kelvara", the size of a message box, not of the main window.
wait_for '[ -n "$(kelvara_windows)" ] || ! kill -0 $app_pid' || fail "no box appeared"
window=$(kelvara_windows)
[ "$(echo "$window" | wc -l)" -eq 1 ] || fail "not one window: $window"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -lt 700 ] || fail "the window is ${WIDTH} wide: the main window, not the box"

# It waits for OK and has told standard error already (Qt may add notes of its own there).
sleep 2
kill -0 "$app_pid" 2>/dev/null || fail "kelvara did not wait for OK"
expected="Kelvara: UNKNOWN_ERROR[26]: file is not a database"
grep -Fxq "$expected" "$work/stderr" || fail "standard error does not say \"$expected\""

xdotool windowfocus --sync "$window" key Return
wait_for '! kill -0 $app_pid 2>/dev/null' || fail "kelvara did not end after OK"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 1 ] || fail "exit status $status, not 1"
[ "$(grep -c '^Kelvara: ' "$work/stderr")" -eq 1 ] || fail "the text was written more than once"
echo "box shown (${WIDTH}x${HEIGHT}), waited for OK, exit status 1; standard error: $expected"
