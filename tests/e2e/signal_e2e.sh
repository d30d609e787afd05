#!/usr/bin/env bash
# Starts the real tolvane binary in a real X server on a generated planes.dat, picks the first
# aircraft and types a new Max speed with the mouse and keyboard, then sends SIGTERM (as a
# shutdown or a closed terminal does). The pending edit must be in planes.dat afterwards and
# every other byte unchanged; a second run with SIGHUP and no edit must leave the file as it is.
set -euo pipefail
tolvane=$1
generator=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" "$work" >/dev/null
cp "$work/planes.dat" "$work/original.dat"
cd "$work"

export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"
# -noreset: the X server stays up between programs started one after another (a server
# that resets when its last client leaves refuses the next connection for a moment).
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  set -u
  . "$1/x_helpers.sh"
  run() {  # $1: signal, $2: whether to type an edit first
    "$0" & pid=$!
    wid=$(main_window)
    if [ -z "$wid" ]; then echo "FAIL: no window titled Tolvane appeared"; kill "$pid"; exit 1; fi
    sleep 0.3
    # The first entry of the aircraft list (P-38H), then the Max speed box (Text3(3)).
    xdotool mousemove --window "$wid" 30 309 click 1
    sleep 0.3
    if [ "$2" = edit ]; then
      xdotool mousemove --window "$wid" 103 259 click --repeat 3 1
      sleep 0.2
      xdotool key --window "$wid" ctrl+a
      xdotool type --window "$wid" 1234567
      sleep 0.3
    fi
    kill -"$1" "$pid"
    if ! wait_ended "$pid"; then echo "FAIL: tolvane did not end on SIG$1"; kill -9 "$pid"; exit 1; fi
    # The signal is taken as a request to end: the program quits on its own, with status 0,
    # not killed by the signal (128 + its number) nor crashed on the way out.
    status=0
    wait "$pid" || status=$?
    if [ "$status" -ne 0 ]; then echo "FAIL: tolvane ended with status $status on SIG$1"; exit 1; fi
  }
  run TERM edit
  cp planes.dat after-term.dat
  run HUP none
' "$tolvane" "$here"

python3 - <<'PY'
import sys
original = open("original.dat", "rb").read()
after = open("after-term.dat", "rb").read()
final = open("planes.dat", "rb").read()
# Max speed of slot 0: record bytes 25..28, positions 29..32 counted from 1.
expected = bytearray(original)
expected[28:32] = (1234567).to_bytes(4, "little")
if after != bytes(expected):
    changed = [i + 1 for i in range(len(original)) if original[i] != after[i]]
    print("FAIL: after SIGTERM the file differs from the expected edit at positions", changed[:20])
    sys.exit(1)
if final != after:
    print("FAIL: SIGHUP without an edit changed the file")
    sys.exit(1)
print("ok: the pending edit was saved on SIGTERM, nothing changed on SIGHUP")
PY
