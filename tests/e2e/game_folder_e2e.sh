#!/usr/bin/env bash
# Starts the real tolvane binary the ways a user does with a game folder:
# - a bad PATH, --help and --version answer on the terminal, with no display at all;
# - `tolvane <game>/PLANES.DAT` from an unrelated folder works on that folder's file (picking
#   the first aircraft and saving writes its backups there) and remembers the folder;
# - started again without PATH in a folder without planes.dat, it works on the remembered
#   folder; with nothing remembered it offers the folder chooser, and Cancel keeps the window;
# - `tolvane script.oaw` with no planes.dat at hand offers the chooser alone; Cancel there
#   says that the script was not applied; the game folder chosen, the preview follows and the
#   script's values are saved;
# - --help names every form of PATH, and the manual page lists every option --help shows.
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
expect 0 'an aircraft script (.oaw)' --help
expect 0 'game folder used last time' --help
[ ! -e "$work/config/Tolvane" ] || fail "a refused start wrote settings"

# Every option the help shows is in the manual page (which writes "-" as "\-").
manual=$(sed 's/\\-/-/g' "$here/../../packaging/tolvane.1")
options=$(XDG_CONFIG_HOME="$work/config" "$tolvane" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || fail "tolvane --help showed no options"
for option in $options; do
  grep -qF -- "$option" <<<"$manual" || fail "the manual page does not list $option"
done
echo "ok: the manual page lists $(echo $options)"

# An aircraft script for slot 0: the generated values, byte 20 changed.
mkdir -p "$work/game2" "$work/home" "$work/config2" "$work/config3"
"$generator" "$work/game2"
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
data = open(work + "/game2/planes.dat", "rb").read()
values = [data[k + 3] for k in range(2, 169)]  # slot 0, record bytes 2..168
values[20 - 2] = (values[20 - 2] + 1) % 256
lines = ["Shared".ljust(18), "0"] + [str(v) for v in values] + ["made by hand"]
open(work + "/home/shared.oaw", "wb").write(("\r\n".join(lines) + "\r\n").encode("cp1252"))
PY

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
  wid=$(main_window)
  [ -n "$wid" ] || fail "no window titled Tolvane appeared for a PATH"
  pick_and_save "$wid" 1234567
  wait_for_file "$work/game/PLANES.DAT.bak" || fail "saving did not back up the file in the game folder"
  close_and_wait "$wid"
  echo "ok: tolvane <game>/PLANES.DAT saved into the game folder"

  rm "$work/game/PLANES.DAT.bak"
  "$tolvane" & pid=$!
  wid=$(main_window)
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
  wid=$(main_window)
  [ -n "$wid" ] || fail "the window did not stay after the chooser was cancelled"
  close_and_wait "$wid"
  echo "ok: the chooser is offered, and Cancel keeps the window"

' _ "$tolvane" "$here" "$work"

# A server of its own: the programs and keys before leave the X server's focus and pointer
# where the next window would see them.
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  set -u
  tolvane=$1 here=$2 work=$3
  fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }
  . "$here/x_helpers.sh"
  # An aircraft script opened with no planes.dat at hand: the chooser comes alone, with no
  # message or preview beside it; Cancel there says that the script was not applied, and the
  # window stays.
  cd "$work/home"
  export XDG_CONFIG_HOME=$work/config2
  "$tolvane" "$work/home/shared.oaw" & pid=$!
  chooser=$(window "Choose the game folder")
  [ -n "$chooser" ] || fail "no folder chooser appeared for a script without planes.dat"
  sleep 0.5
  [ "$(xdotool search --onlyvisible --name "^Tolvane\$" | wc -l)" -eq 1 ] ||
    fail "a message opened beside the chooser"
  [ -z "$(xdotool search --onlyvisible --name "^Apply an aircraft script\$" || true)" ] ||
    fail "the preview opened before a game folder was chosen"
  # Keys as a keyboard types them into the focused window: a key sent to a window that closes
  # on its press can reach the window that opens next.
  xdotool windowfocus --sync "$chooser"
  xdotool key Escape
  message=$(window "Apply an aircraft script")
  [ -n "$message" ] || fail "no message after the chooser was cancelled for a script"
  sleep 0.3
  [ -n "$(window "Apply an aircraft script")" ] || fail "the message closed by itself"
  xdotool windowfocus --sync "$message"
  xdotool key Return
  wid=$(main_window)
  [ -n "$wid" ] || fail "the window did not stay after the script was not applied"
  python3 "$here/x_close.py" "$wid"
  wait_ended "$pid" || fail "tolvane did not end after its window was closed"
  wait "$pid"
  echo "ok: a script without planes.dat: the chooser alone; Cancel says it was not applied"
' _ "$tolvane" "$here" "$work"

# The same script with the game folder typed into the chooser: the preview follows, "Apply"
# puts the script's values into the window and "Save planes.dat" writes them there.
cp "$work/game2/planes.dat" "$work/original2.dat"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  set -u
  tolvane=$1 here=$2 work=$3
  fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }
  . "$here/x_helpers.sh"
  cd "$work/home"
  export XDG_CONFIG_HOME=$work/config3
  "$tolvane" "$work/home/shared.oaw" & pid=$!
  chooser=$(window "Choose the game folder")
  [ -n "$chooser" ] || fail "no folder chooser appeared for a script without planes.dat"
  sleep 0.5
  xdotool windowfocus --sync "$chooser"
  xdotool key ctrl+a
  xdotool type "$work/game2"
  sleep 0.3
  xdotool key Return
  preview=$(window "Apply an aircraft script")
  [ -n "$preview" ] || fail "no preview after the game folder was chosen"
  sleep 0.3
  xdotool windowfocus --sync "$preview"
  xdotool key Return
  wid=$(main_window)
  sleep 0.3
  xdotool mousemove --window "$wid" 38 39 click 1
  for _ in $(seq 100); do [ -e "$work/game2/planes.dat.bak" ] && break; sleep 0.1; done
  python3 "$here/x_close.py" "$wid"
  wait_ended "$pid" || fail "tolvane did not end after its window was closed"
  wait "$pid"
  echo "ok: a script without planes.dat: the chooser, then the preview, then the save"
' _ "$tolvane" "$here" "$work"
python3 - "$work" <<'PY' || fail "the applied script did not leave exactly its one change in planes.dat"
import sys
work = sys.argv[1]
expected = bytearray(open(work + "/original2.dat", "rb").read())
expected[20 + 3] = (expected[20 + 3] + 1) % 256  # slot 0, record byte 20
sys.exit(0 if open(work + "/game2/planes.dat", "rb").read() == bytes(expected) else 1)
PY

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
[ "$(ls -A "$work/home")" = shared.oaw ] || fail "files were written beside the script"
