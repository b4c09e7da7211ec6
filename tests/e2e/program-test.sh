#!/usr/bin/env bash
# End-to-end test of one program on a virtual display of its own.
#   program-test.sh <scenario> <executable> <working dir> <scratch dir> <close helper>
# Scenarios:
#   run             window and title, two screenshots a second apart (window-sized,
#                   not blank, different: the bodies fall), F R T, Escape ends with 0,
#                   standard output only the seeding line, OIS noted in "Ogre.log"
#   quit-q          Q ends with 0
#   close           closing the window ends with 0
#   missing-sphere  resources without "sphere.mesh": the error report and exit code 1
#   no-config       without "ogre.cfg": Ogre's dialog; Cancel ends with 0, no render window
# The program runs in <scratch dir>, a fresh copy of its working directory's
# configuration at the same depth, which keeps what the run left for inspection.
set -uo pipefail
scenario=$1 exe=$2 workdir=$3 scratch=$4 closer=$5
source "$(cd "$(dirname "$0")/../.." && pwd)/scripts/lib/xsession.sh"

START=120  # seconds for a program to open its window on a loaded machine
STEP=60    # seconds for any later condition

fail() {
  echo "FAIL [$scenario]: $*" >&2
  import -window root "$scratch/failure-display.png" 2>/dev/null
  for f in stdout stderr; do
    [ -s "$scratch/$f" ] && { echo "--- program $f:" >&2; tail -n 20 "$scratch/$f" >&2; }
  done
  echo "--- left in $scratch" >&2
  exit 1
}
trap xsession_stop EXIT

rm -rf "$scratch"
mkdir -p "$scratch"
cp "$workdir/plugins.cfg" "$workdir/ogre.cfg" "$workdir/resources.cfg" "$scratch/"
xsession_start_xvfb "$scratch" || fail "no virtual display"
"$closer" --intern || fail "cannot prepare the display for close requests"

start() {
  xsession_start_program "$scratch" "$exe" "$scratch/stdout" "$scratch/stderr"
}

# Waits for the render window; prints its id.
render_window() {
  xsession_wait_window "$XSESSION_TITLE" "$START" || fail "no window titled '$XSESSION_TITLE'"
}

# A first screenshot proves that the frame loop runs and reads the keyboard.
wait_listening() {
  xsession_take_screenshot "$1" "$scratch" "$STEP" >/dev/null || fail "Print Screen wrote no screenshot"
}

expect_exit() {
  xsession_wait_exit "$STEP" || fail "the program did not end"
  [ "$xsession_exit_code" = "$1" ] || fail "exit code $xsession_exit_code, expected $1"
}

# check_screenshot <file> <width> <height>
check_screenshot() {
  local size deviation
  size=$(identify -format '%w %h' "$1") || fail "$1 is no image"
  [ "$size" = "$2 $3" ] || fail "$1 measures $size, the window $2 $3"
  deviation=$(convert "$1" -colorspace Gray -format '%[fx:standard_deviation]' info:)
  awk -v d="$deviation" 'BEGIN { exit !(d > 0.02) }' || fail "$1 is blank (deviation $deviation)"
}

run_scenario() {
  start
  local win WIDTH HEIGHT first second changed
  win=$(render_window)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  first=$(xsession_take_screenshot "$win" "$scratch" "$STEP") || fail "Print Screen wrote no screenshot"
  sleep 1
  second=$(xsession_take_screenshot "$win" "$scratch" "$STEP") || fail "no second screenshot"
  check_screenshot "$first" "$WIDTH" "$HEIGHT"
  check_screenshot "$second" "$WIDTH" "$HEIGHT"
  changed=$(compare -metric AE "$first" "$second" null: 2>&1)
  [ "${changed%%.*}" -gt 20 ] 2>/dev/null || fail "the screenshots do not differ ($changed pixels)"

  # Statistics, texture filtering, polygon mode: each waits out the toggle delay.
  for key in f t r; do
    xsession_hold_key "$win" "$key" 0.3
    sleep 1.1
    xsession_program_gone && fail "the program ended after key $key"
  done

  xsession_press_until "$win" Escape "$STEP" xsession_program_gone
  expect_exit 0
  # Standard output is the programs' own: the seeding line once, and no echo of Ogre's log.
  [ "$(grep -c -- '--------- seeding with: ' "$scratch/stdout")" = 1 ] || fail "not one seeding line"
  grep -qxE -- '--------- seeding with: [0-9]+' "$scratch/stdout" || fail "the seeding line has no number"
  [ "$(wc -l <"$scratch/stdout")" = 1 ] || fail "standard output holds more than the seeding line"
  grep -q -- '\*\*\* Initializing OIS \*\*\*' "$scratch/Ogre.log" || fail "Ogre.log does not note OIS"
}

quit_q_scenario() {
  start
  local win
  win=$(render_window)
  wait_listening "$win"
  xsession_press_until "$win" q "$STEP" xsession_program_gone
  expect_exit 0
}

close_scenario() {
  start
  local win
  win=$(render_window)
  wait_listening "$win"
  "$closer" "$win" || fail "could not send the close request"
  expect_exit 0
}

missing_sphere_scenario() {
  sed -i '/\/meshes$/d' "$scratch/resources.cfg"
  start
  expect_exit 1
  grep -qx 'An exception has occured!' "$scratch/stderr" || fail "no error report"
  grep -q 'sphere.mesh' "$scratch/stderr" || fail "the report does not name sphere.mesh"
}

# Ogre's own dialog (Athena widgets, 500 x 380): Cancel sits at a fixed place
# near its lower right corner. Clicks are repeated until the program ends.
no_config_scenario() {
  rm "$scratch/ogre.cfg"
  start
  local dialog X Y WIDTH HEIGHT
  dialog=$(xsession_wait_window "Rendering Settings" "$START") || fail "no configuration dialog"
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  click_cancel() {
    xdotool mousemove $((X + 372)) $((Y + 352)) 2>/dev/null
    sleep 0.2
    xdotool click 1 2>/dev/null
    xsession_wait_until 2 xsession_program_gone
  }
  xsession_wait_until "$STEP" click_cancel || fail "Cancel did not end the program"
  expect_exit 0
  ! grep -q '_createRenderWindow' "$scratch/Ogre.log" || fail "a render window was opened"
  ! grep -q 'seeding with' "$scratch/stdout" || fail "the scene was built"
}

case $scenario in
  run) run_scenario ;;
  quit-q) quit_q_scenario ;;
  close) close_scenario ;;
  missing-sphere) missing_sphere_scenario ;;
  no-config) no_config_scenario ;;
  *) echo "unknown scenario $scenario" >&2; exit 2 ;;
esac
echo "PASS [$scenario] $(basename "$exe")"
