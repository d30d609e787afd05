#!/usr/bin/env bash
# Starts the real tolvane binary the ways a user does with a game folder:
# - a bad PATH, --help and --version answer on the terminal, with no display at all;
# - `tolvane <game>/PLANES.DAT` from an unrelated folder works on that folder's file (picking
#   the first aircraft and saving writes its backups there) and remembers the folder;
# - started again without PATH in a folder without planes.dat, it works on the remembered
#   folder; with nothing remembered it offers the folder chooser, and Cancel keeps the window.
# Each run gets a fresh XDG_CONFIG_HOME, so the tester's own settings are never touched.
set -euo pipefail
tolvane=$1
generator=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

mkdir -p "$work/game" "$work/elsewhere" "$work/config" "$work/fresh-config"
"$generator" "$work/game"
mv "$work/game/planes.dat" "$work/game/PLANES.DAT"
cp "$work/game/PLANES.DAT" "$work/original.dat"
cd "$work/elsewhere"

# Terminal answers: no display is needed, and none may be tried.
expect() {  # expected exit code, text expected on stdout or stderr, arguments...
  local code=$1 text=$2 out rc=0
  shift 2
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" \
        "$tolvane" "$@" 2>&1) || rc=$?
  [ "$rc" -eq "$code" ] || fail "tolvane $* ended with $rc, not $code: $out"
  grep -qF -- "$text" <<<"$out" || fail "tolvane $* did not say \"$text\": $out"
  echo "ok: tolvane $* -> $rc"
}
expect 1 'does not exist' "$work/no-such-folder"
expect 1 'There is no planes.dat in the folder' "$work/elsewhere"
expect 1 'neither a folder' "$work/original.dat"
expect 2 'Unknown option' --no-such-option
expect 0 'Usage: tolvane [options] [PATH]' --help
expect 0 'Tolvane 0.1' --version
[ ! -e "$work/config/Tolvane" ] || fail "a refused start wrote settings"

export QT_QPA_PLATFORM=xcb
# -noreset: the X server stays up between programs started one after another (a server
# that resets when its last client leaves refuses the next connection for a moment).
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  set -u
  tolvane=$1 here=$2 work=$3
  fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }
  . "$here/x_helpers.sh"
  wait_for_file() {
    for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done
    return 1
  }
  close_and_wait() {
    python3 "$here/x_close.py" "$1"
    wait_ended "$pid" || fail "tolvane did not end after its window was closed"
    wait "$pid"
  }
  # Picks the first aircraft, types a Max speed ($2) into its box and saves: a save without an
  # edit writes nothing (and makes no backup).
  pick_and_save() {
    xdotool mousemove --window "$1" 30 309 click 1
    sleep 0.3
    xdotool mousemove --window "$1" 103 259 click 1
    sleep 0.2
    xdotool key --window "$1" ctrl+a
    xdotool type --window "$1" "$2"
    sleep 0.2
    xdotool mousemove --window "$1" 38 39 click 1
  }

  export XDG_CONFIG_HOME=$work/config
  "$tolvane" "$work/game/PLANES.DAT" & pid=$!
  wid=$(window Tolvane)
  [ -n "$wid" ] || fail "no window titled Tolvane appeared for a PATH"
  pick_and_save "$wid" 1234567
  wait_for_file "$work/game/PLANES.DAT.bak" || fail "saving did not back up the file in the game folder"
  close_and_wait "$wid"
  echo "ok: tolvane <game>/PLANES.DAT saved into the game folder"

  rm "$work/game/PLANES.DAT.bak"
  "$tolvane" & pid=$!
  wid=$(window Tolvane)
  [ -n "$wid" ] || fail "no window titled Tolvane appeared without PATH"
  pick_and_save "$wid" 7654321
  wait_for_file "$work/game/PLANES.DAT.bak" || fail "without PATH the remembered game folder was not used"
  close_and_wait "$wid"
  echo "ok: without PATH the remembered folder is used"

  export XDG_CONFIG_HOME=$work/fresh-config
  "$tolvane" & pid=$!
  chooser=$(window "Choose the game folder")
  [ -n "$chooser" ] || fail "no folder chooser appeared without planes.dat or a remembered folder"
  xdotool key --window "$chooser" Escape
  wid=$(window Tolvane)
  [ -n "$wid" ] || fail "the window did not stay after the chooser was cancelled"
  close_and_wait "$wid"
  echo "ok: the chooser is offered, and Cancel keeps the window"
' _ "$tolvane" "$here" "$work"

python3 - "$work" <<'PY' || fail "the saves did not leave exactly the typed Max speed in the game's planes.dat"
import sys
work = sys.argv[1]
original = open(work + "/original.dat", "rb").read()
expected = bytearray(original)
expected[28:32] = (7654321).to_bytes(4, "little")  # slot 0, record bytes 25..28
sys.exit(0 if open(work + "/game/PLANES.DAT", "rb").read() == bytes(expected) else 1)
PY
cmp -s "$work/game/PLANES.DAT.orig" "$work/original.dat" ||
  fail "PLANES.DAT.orig is not the file as it was before the first save"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "files were written into the folder tolvane started in"
