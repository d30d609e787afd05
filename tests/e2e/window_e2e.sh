#!/usr/bin/env bash
# Starts the real tolvane binary in a real X server on a generated planes.dat, waits for its
# window titled "Tolvane", closes it as a window manager would, and checks that planes.dat is
# byte-identical afterwards.
set -euo pipefail
tolvane=$1
generator=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" "$work"
cp "$work/planes.dat" "$work/original.dat"
cd "$work"
# Settings go to a fresh folder, never the tester's own.
export XDG_CONFIG_HOME="$work/config"

export QT_QPA_PLATFORM=xcb
# -noreset: the X server stays up between programs started one after another (a server
# that resets when its last client leaves refuses the next connection for a moment).
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  set -u
  . "$2/x_helpers.sh"
  "$1" & pid=$!
  wid=$(main_window)
  if [ -z "$wid" ]; then
    echo "FAIL: no window titled Tolvane appeared"
    kill "$pid" 2>/dev/null; exit 1
  fi
  echo "window $wid appeared"
  python3 "$2/x_close.py" "$wid"
  if ! wait_ended "$pid"; then
    echo "FAIL: tolvane did not end after its window was closed"
    kill "$pid"; exit 1
  fi
  wait "$pid"
' _ "$tolvane" "$here"

if ! cmp -s planes.dat original.dat; then
  echo "FAIL: planes.dat changed although nothing was edited"
  exit 1
fi
