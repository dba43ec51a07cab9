#!/usr/bin/env bash
# The real program on a real X server with no window manager, as on an unattended counter,
# started on a catalogue that is not a database: it must show its box and wait there for OK,
# with the same text already on standard error, and end with status 1 once OK is pressed.
# Usage: start-up-on-x.sh PATH/TO/kelvara
set -euo pipefail
kelvara=$(realpath "$1")
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "-- standard error of kelvara:"; cat "$work/stderr" 2>/dev/null || true
  exit 1
}

# Xvfb takes a free display number itself and writes it once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(cat "$work/display")"

mkdir "$work/counter"
head -c 4096 /dev/zero | tr '\0' x >"$work/counter/database.db"
# The X client libraries keep caches until the process ends; leaks on this path are looked
# for by the in-process start-up tests.
(cd "$work/counter" && QT_QPA_PLATFORM=xcb ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  exec "$kelvara" 2>"$work/stderr") &
app_pid=$!

# The box: a window titled "Kelvara", mapped, with no main window beside it.
window=
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name '^Kelvara$' 2>/dev/null || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "kelvara ended without showing its box"
  sleep 0.1
done
[ -n "$window" ] || fail "no box appeared"
[ "$(echo "$window" | wc -l)" -eq 1 ] || fail "more than one window: $window"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -lt 700 ] || fail "the window is ${WIDTH} wide: the main window, not the box"

# It waits for OK, and has told standard error already.
sleep 2
kill -0 "$app_pid" 2>/dev/null || fail "kelvara did not wait for OK"
expected="Kelvara: UNKNOWN_ERROR[26]: file is not a database"
# (Qt may add notes of its own there.)
grep -Fxq "$expected" "$work/stderr" || fail "standard error does not say \"$expected\""

# OK (Enter), and the program ends with status 1.
xdotool windowfocus --sync "$window" key Return
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "kelvara did not end after OK"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 1 ] || fail "exit status $status, not 1"
[ "$(grep -c '^Kelvara: ' "$work/stderr")" -eq 1 ] || fail "the text was written more than once"
echo "box shown ($WIDTH x $HEIGHT), waited for OK, exit status 1, standard error: $expected"
