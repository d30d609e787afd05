# Helpers for the end-to-end tests, sourced inside their X server's shell.

# Waits up to 10 s for a visible window with this exact title; prints its id (empty if none).
window() {
  local wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  echo "$wid"
}

# Waits up to 10 s for Tolvane's main window: titled "Tolvane" until an aircraft is open, then
# "<aircraft> — planes.dat — Tolvane" (with "*" after the name while it has unsaved changes).
main_window() {
  window "(.+ planes\\.dat .+ )?Tolvane"
}

# Waits up to 10 s for a process to end; fails when it is still running.
wait_ended() {
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$1" 2>/dev/null
}
