#!/usr/bin/env bash
# End-to-end test of one program, each on a virtual display of its own.
#   program-test.sh <table> <program> <scenario> <executable> <working dir> <scratch dir> <close helper>
# The table (programs.tsv) says which scenarios a program runs and what its
# screen, standard output and "Ogre.log" must show; the scenario kinds are
# described there. The program runs in <scratch dir>, a fresh copy of its working
# directory's configuration at the same depth, which keeps what the run left for
# inspection.
set -uo pipefail
table=$1 program=$2 scenario=$3 exe=$4 workdir=$5 scratch=$6 closer=$7
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/xsession.sh"
source "$here/expectations.sh"

START=120  # seconds for a program to open its window on a loaded machine
STEP=60    # seconds for any later condition

fail() {
  [ -n "${DISPLAY:-}" ] && [ -n "$xsession_xvfb_pid" ] && import -window root "$scratch/failure-display.png" 2>/dev/null
  xsession_fail "$program $scenario" "$scratch" "$@"
}
# A run may leave a directory it made unwritable behind.
trap 'chmod -R u+w "$scratch" 2>/dev/null; xsession_stop' EXIT

table_load "$table" "$program"
scenario_row=$(table_scenario "$scenario") || fail "no such scenario in $table"
IFS=$'\t' read -r -a scenario_args <<<"$scenario_row"
kind=${scenario_args[0]}
scenario_args=("${scenario_args[@]:1}")

rm -rf "$scratch"
mkdir -p "$scratch"
restore_config() {
  rm -rf "$scratch/plugins.cfg" "$scratch/ogre.cfg" "$scratch/resources.cfg"
  cp "$workdir/plugins.cfg" "$workdir/ogre.cfg" "$workdir/resources.cfg" "$scratch/"
}
restore_config

display_started=0
start_display() {
  [ $display_started = 1 ] && return
  xsession_start_xvfb "$scratch" || fail "no virtual display"
  "$closer" --intern || fail "cannot prepare the display for close requests"
  display_started=1
}

start() {
  start_display
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

# expect_report <text>: the entry's error report, naming the text.
expect_report() {
  grep -qx 'An exception has occured!' "$scratch/stderr" || fail "no error report"
  grep -qF -- "$1" "$scratch/stderr" || fail "the report does not name $1"
}

# check_screenshot <file> <width> <height>
check_screenshot() {
  local size deviation
  size=$(identify -format '%w %h' "$1") || fail "$1 is no image"
  [ "$size" = "$2 $3" ] || fail "$1 measures $size, the window $2 $3"
  deviation=$(convert "$1" -colorspace Gray -format '%[fx:standard_deviation]' info:)
  awk -v d="$deviation" 'BEGIN { exit !(d > 0.02) }' || fail "$1 is blank (deviation $deviation)"
}

differs_from() {
  local changed
  changed=$(compare -metric AE "$1" "$2" null: 2>&1)
  [ "${changed%%.*}" -gt 20 ] 2>/dev/null
}

stdout_has() {
  grep -qE -- "$1" "$scratch/stdout"
}

check_rows() {
  local reason
  reason=$(check_stdout "$scratch/stdout") || fail "$reason"
  reason=$(check_log "$scratch/Ogre.log") || fail "$reason"
}

# The first screenshot is taken as soon as the window shows, so that a loaded
# machine only makes the run slower: later ones are taken until one differs
# from it (the screen moves), or once (it stays still).
run_scenario() {
  start
  local win WIDTH HEIGHT first last screen reason deadline
  win=$(render_window)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  first=$(xsession_take_screenshot "$win" "$scratch" "$STEP") || fail "Print Screen wrote no screenshot"
  check_screenshot "$first" "$WIDTH" "$HEIGHT"
  screen=$(table_values screen | head -n 1)
  case $screen in
    moves | still) ;;
    after$'\t'*)
      xsession_wait_until "$STEP" stdout_has "${screen#after$'\t'}" ||
        fail "standard output has no line matching '${screen#after$'\t'}'" ;;
    *) fail "the table's screen row reads '$screen', not moves, still or after" ;;
  esac
  deadline=$((SECONDS + STEP))
  while :; do
    sleep 1
    last=$(xsession_take_screenshot "$win" "$scratch" "$STEP") || fail "no further screenshot"
    check_screenshot "$last" "$WIDTH" "$HEIGHT"
    [ "$screen" = still ] && break
    differs_from "$first" "$last" && break
    [ "$SECONDS" -ge "$deadline" ] && fail "no screenshot differs from $first"
  done
  reason=$(check_colours "$last") || fail "$reason"

  # Statistics, texture filtering, polygon mode: each waits out the toggle delay.
  for key in f t r; do
    xsession_hold_key "$win" "$key" 0.3
    sleep 1.1
    xsession_program_gone && fail "the program ended after key $key"
  done

  xsession_press_until "$win" Escape "$STEP" xsession_program_gone
  expect_exit 0
  check_rows
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
  [ ! -s "$scratch/stdout" ] || fail "the scene was built"
}

# Without an X server: DISPLAY unset, then naming a display that no server has.
no_display_scenario() {
  local n=4000 setting
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  for setting in unset ":$n"; do
    if [ "$setting" = unset ]; then
      (cd "$scratch" && exec env -u DISPLAY "$exe") >"$scratch/stdout" 2>"$scratch/stderr" &
    else
      (cd "$scratch" && DISPLAY=$setting exec "$exe") >"$scratch/stdout" 2>"$scratch/stderr" &
    fi
    xsession_program_pid=$!
    expect_exit 1
    expect_report "RenderingAPIException"
    grep -qiE "open (X )?display" "$scratch/stderr" || fail "the report (DISPLAY $setting) does not say the display cannot be opened"
  done
}

# A configuration file that is a directory or a device would keep Ogre's reader
# reading for ever.
bad_config_scenario() {
  local file what
  for file in plugins.cfg resources.cfg ogre.cfg; do
    for what in directory device; do
      restore_config
      rm "$scratch/$file"
      if [ $what = directory ]; then mkdir "$scratch/$file"; else ln -s /dev/zero "$scratch/$file"; fi
      start
      expect_exit 1
      expect_report "'$file'"
    done
  done
}

unwritable_screenshot_scenario() {
  mkdir "$scratch/screenshot_1.png"
  start
  local win
  win=$(render_window)
  xsession_press_until "$win" Print "$STEP" xsession_program_gone
  expect_exit 1
  expect_report "screenshot_1.png"
}

# A full disk: the screenshot cannot be written whole.
full_disk_screenshot_scenario() {
  ln -s /dev/full "$scratch/screenshot_1.png"
  start
  local win
  win=$(render_window)
  xsession_press_until "$win" Print "$STEP" xsession_program_gone
  expect_exit 1
  expect_report "cannot write the screenshot 'screenshot_1.png'"
}

# A "plugins.cfg" that loads no render system, and an "ogre.cfg" that names one
# no plug-in provides: each said, before any dialog, exit 1.
render_system_scenario() {
  sed -i '/^Plugin=RenderSystem_/d' "$scratch/plugins.cfg"
  start
  expect_exit 1
  expect_report "'plugins.cfg' loads no render system"
  restore_config
  sed -i 's/^Render System=.*/Render System=Imaginary Rendering Subsystem/' "$scratch/ogre.cfg"
  start
  expect_exit 1
  expect_report "names the render system \"Imaginary Rendering Subsystem\""
  ! grep -q '_createRenderWindow' "$scratch/Ogre.log" || fail "a render window was opened"
}

# Saved video modes that X refuses or the software GL crashes on, and ones that
# are no size, each refused before the window is made; a mode larger than the
# screen, which X makes, opens.
video_mode_scenario() {
  local mode win
  for mode in "-5 x -5" "32767 x 32767" "65535 x 65535" "0 x 0" "800" "big" "65536 x 600"; do
    restore_config
    sed -i "s/^Video Mode=.*/Video Mode=$mode/" "$scratch/ogre.cfg"
    start
    expect_exit 1
    expect_report "'ogre.cfg': the video mode \"$mode\""
    ! grep -q '_createRenderWindow' "$scratch/Ogre.log" || fail "a render window was opened for \"$mode\""
  done
  restore_config
  sed -i "s/^Video Mode=.*/Video Mode=2048 x 1536/" "$scratch/ogre.cfg"
  start
  win=$(render_window)
  xsession_press_until "$win" Escape "$STEP" xsession_program_gone
  expect_exit 0
}

# A working directory where "Ogre.log" cannot be written (for root, whom no
# permission stops, its name taken by a directory): standard error says so, and
# the program runs without its log.
unwritable_log_scenario() {
  local dir win kind
  start_display
  # A log that cannot be opened for writing, then a FIFO, which opening would
  # wait on for good.
  for kind in unwritable fifo; do
    dir=$scratch/$kind
    mkdir "$dir"
    cp "$scratch/plugins.cfg" "$scratch/ogre.cfg" "$scratch/resources.cfg" "$dir/"
    if [ $kind = fifo ]; then mkfifo "$dir/Ogre.log"
    elif [ "$(id -u)" = 0 ]; then mkdir "$dir/Ogre.log"
    else chmod a-w "$dir"; fi
    xsession_start_program "$dir" "$exe" "$scratch/stdout" "$scratch/stderr"
    win=$(render_window)
    xsession_press_until "$win" Escape "$STEP" xsession_program_gone
    expect_exit 0
    grep -qF "Cannot write the log 'Ogre.log'" "$scratch/stderr" ||
      fail "standard error does not say the log ($kind) cannot be written"
  done
}

# missing-resource <location ERE> <name>
missing_resource_scenario() {
  sed -i -E "\\#${scenario_args[0]}#d" "$scratch/resources.cfg"
  start
  expect_exit 1
  expect_report "${scenario_args[1]}"
}

# The programs read their models by the relative path
# "../../../../media/models/<file>": model_run <file> <model command> runs the
# program four levels below a folder of the scratch directory whose media/models
# holds the build's models but that one, which the command (if any) writes to its
# standard output; the error report names the file, exit 1.
model_run() {
  local file=$1 models deep model
  shift
  models=$(cd "$workdir/../../../../media/models" && pwd) || fail "no models beside the working directory"
  [ -e "$models/$file" ] || fail "the build has no model $file"
  deep=$scratch/run/programs/$program/bin
  mkdir -p "$deep" "$scratch/media/models"
  for model in "$models"/*; do
    [ "${model##*/}" = "$file" ] || ln -s "$model" "$scratch/media/models/"
  done
  [ $# = 0 ] || "$@" >"$scratch/media/models/$file"
  cp "$scratch/plugins.cfg" "$scratch/ogre.cfg" "$scratch/resources.cfg" "$deep/"
  start_display
  xsession_start_program "$deep" "$exe" "$scratch/stdout" "$scratch/stderr"
  expect_exit 1
  expect_report "\"../../../../media/models/$file\""
}

# missing-model <file>
missing_model_scenario() {
  model_run "${scenario_args[0]}"
}

# An OFF model of n vertices, its one triangle using the last of them.
off_model_of() {
  awk -v n="$1" 'BEGIN {
    print "OFF"; print n, 1, 0
    for (i = 0; i < n; i++) print i % 256, int(i / 256), i % 3
    print 3, 0, 1, n - 1 }'
}

# large-model <file> <vertices>
large_model_scenario() {
  model_run "${scenario_args[0]}" off_model_of "${scenario_args[1]}"
}

# hold-key <key> log|stdout <text>
hold_key_scenario() {
  local key=${scenario_args[0]} where=${scenario_args[1]} text=${scenario_args[2]} win
  start
  win=$(render_window)
  wait_listening "$win"
  seen() {
    xdotool mousemove_relative -- 5 3 2>/dev/null
    case $where in
      log) grep -qF -- "$text" "$scratch/Ogre.log" ;;
      stdout) stdout_has "$text" ;;
    esac
  }
  xsession_press_until "$win" "$key" "$STEP" seen || fail "holding $key: no $where line with '$text'"
  xsession_press_until "$win" Escape "$STEP" xsession_program_gone
  expect_exit 0
  check_rows
}

case $kind in
  run) run_scenario ;;
  quit-q) quit_q_scenario ;;
  close) close_scenario ;;
  no-config) no_config_scenario ;;
  no-display) no_display_scenario ;;
  bad-config) bad_config_scenario ;;
  unwritable-screenshot) unwritable_screenshot_scenario ;;
  full-disk-screenshot) full_disk_screenshot_scenario ;;
  render-system) render_system_scenario ;;
  video-mode) video_mode_scenario ;;
  unwritable-log) unwritable_log_scenario ;;
  large-model) large_model_scenario ;;
  missing-resource) missing_resource_scenario ;;
  hold-key) hold_key_scenario ;;
  missing-model) missing_model_scenario ;;
  *) echo "unknown scenario kind $kind" >&2; exit 2 ;;
esac
echo "PASS [$program $scenario]"
