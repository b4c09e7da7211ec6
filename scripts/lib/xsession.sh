# Shell functions for running a program on a virtual X display and driving it:
# sourced by scripts/run and by the end-to-end tests. Needs xvfb, xdotool. Safe
# under "set -e": a key sent to a window that has just gone is not an error.
#
# Conditions are waited for by polling with a deadline, never by fixed sleeps
# alone, so that a loaded machine only makes things slower, not wrong.

XSESSION_TITLE="Marrowfield - Rendering Window"
xsession_xvfb_pid=""
xsession_program_pid=""

# Ends a test run: the message under its label, the last lines the program
# wrote (stdout and stderr in the scratch dir) and where the run was left.
#   xsession_fail <label> <scratch dir> <message>...
xsession_fail() {
  local label=$1 scratch=$2 f
  shift 2
  echo "FAIL [$label]: $*" >&2
  for f in stdout stderr; do
    [ -s "$scratch/$f" ] && { echo "--- program $f:" >&2; tail -n 20 "$scratch/$f" >&2; }
  done
  echo "--- left in $scratch" >&2
  exit 1
}

# Starts Xvfb on a display number that the server picks itself (free of any other
# server, also of parallel tests) and exports DISPLAY. -noreset keeps atoms that
# clients create after the last client has gone.
xsession_start_xvfb() {
  local scratch=$1 displayfile="$1/xvfb-display"
  rm -f "$displayfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$displayfile" \
    >"$scratch/xvfb.log" 2>&1 &
  xsession_xvfb_pid=$!
  if ! xsession_wait_until 30 test -s "$displayfile"; then
    echo "Xvfb did not start (see $scratch/xvfb.log)" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$displayfile")"
}

# Ends what this session started, by pid.
xsession_stop() {
  if [ -n "$xsession_program_pid" ] && kill -0 "$xsession_program_pid" 2>/dev/null; then
    kill "$xsession_program_pid" 2>/dev/null || true
    xsession_wait_until 10 xsession_program_gone || kill -9 "$xsession_program_pid" 2>/dev/null || true
  fi
  if [ -n "$xsession_xvfb_pid" ]; then
    kill "$xsession_xvfb_pid" 2>/dev/null || true
    wait "$xsession_xvfb_pid" 2>/dev/null || true
  fi
  xsession_program_pid=""
  xsession_xvfb_pid=""
}

# xsession_wait_until <seconds> <command...>: true as soon as the command is.
xsession_wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

# xsession_start_program <working dir> <executable> [<stdout file> <stderr file>]
# Without the files the program writes to this shell's standard output and error.
xsession_start_program() {
  if [ $# -ge 4 ]; then
    (cd "$1" && exec "$2") >"$3" 2>"$4" &
  else
    (cd "$1" && exec "$2") &
  fi
  xsession_program_pid=$!
}

xsession_program_gone() {
  ! kill -0 "$xsession_program_pid" 2>/dev/null
}

# Waits for the program to end and sets xsession_exit_code; fails on time-out.
# (Not in a command substitution: only this shell can collect its child.)
xsession_wait_exit() {
  xsession_wait_until "$1" xsession_program_gone || return 1
  xsession_exit_code=0
  wait "$xsession_program_pid" || xsession_exit_code=$?
  xsession_program_pid=""
}

# Prints the id of the visible window with exactly this title, if there is one.
xsession_find_window() {
  { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; } | head -n1
}

# xsession_wait_window <title> <seconds>: prints the window id; fails on time-out
# or when the program ends first.
xsession_wait_window() {
  local title=$1 deadline=$((SECONDS + $2)) id
  while :; do
    id=$(xsession_find_window "$title")
    [ -n "$id" ] && { echo "$id"; return 0; }
    xsession_program_gone && return 1
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

# xsession_hold_key <window> <key> [seconds]: the program reads key state once a
# frame, so a key must stay down across several frames to be seen.
xsession_hold_key() {
  xdotool keydown --window "$1" "$2" 2>/dev/null || true
  sleep "${3:-0.3}"
  xdotool keyup --window "$1" "$2" 2>/dev/null || true
}

# xsession_press_until <window> <key> <seconds> <command...>: keeps the key down,
# repeating the press, until the command is true; then releases it. Presses sent
# before the program reads its keyboard are lost, so one press is not enough.
xsession_press_until() {
  local window=$1 key=$2 deadline=$((SECONDS + $3)) ok=1
  shift 3
  while :; do
    xdotool keydown --window "$window" "$key" 2>/dev/null || true
    if "$@"; then ok=0; break; fi
    xsession_program_gone && break
    [ "$SECONDS" -ge "$deadline" ] && break
    sleep 0.1
  done
  xdotool keyup --window "$window" "$key" 2>/dev/null || true
  return $ok
}

# Number of "screenshot_N.png" files in a directory.
xsession_screenshot_count() {
  local n=0
  while [ -e "$1/screenshot_$((n + 1)).png" ]; do n=$((n + 1)); done
  echo "$n"
}

# True once a PNG file has been written to its end chunk.
xsession_png_complete() {
  [ -s "$1" ] && [ "$(tail -c 8 "$1" | head -c 4)" = "IEND" ]
}

# xsession_take_screenshot <window> <working dir> <seconds>: presses Print Screen
# until the program has written its next screenshot; prints that file's path.
xsession_take_screenshot() {
  local dir=$2 next
  next="$dir/screenshot_$(($(xsession_screenshot_count "$dir") + 1)).png"
  xsession_press_until "$1" Print "$3" test -e "$next" || return 1
  xsession_wait_until "$3" xsession_png_complete "$next" || return 1
  echo "$next"
}
