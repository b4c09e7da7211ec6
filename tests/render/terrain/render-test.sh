#!/usr/bin/env bash
# Renders one terrain configuration on a virtual display of its own.
#   render-test.sh <executable> <working dir> <scratch dir> <configuration>
# The program must end with 0, print nothing and leave a window-sized picture that
# is not blank. The configuration "missing.cfg" must instead end it with 1 and an
# error report naming the file.
set -uo pipefail
exe=$1 workdir=$2 scratch=$3 config=$4
source "$(cd "$(dirname "$0")/../../.." && pwd)/scripts/lib/xsession.sh"

fail() { xsession_fail "$config" "$scratch" "$@"; }
trap xsession_stop EXIT

rm -rf "$scratch"
mkdir -p "$scratch"
cp "$workdir/plugins.cfg" "$workdir/ogre.cfg" "$workdir/resources.cfg" "$scratch/"
xsession_start_xvfb "$scratch" || fail "no virtual display"
picture="${config%.cfg}.png"
(cd "$scratch" && exec "$exe" "$config" "$picture") >"$scratch/stdout" 2>"$scratch/stderr" &
xsession_program_pid=$!
xsession_wait_exit 180 || fail "the program did not end"

[ ! -s "$scratch/stdout" ] || fail "standard output is not empty"
if [ "$config" = missing.cfg ]; then
  [ "$xsession_exit_code" = 1 ] || fail "exit code $xsession_exit_code, expected 1"
  grep -qx 'An exception has occured!' "$scratch/stderr" || fail "no error report"
  grep -q '"missing.cfg" not found' "$scratch/stderr" || fail "the report does not name the file"
  echo "PASS [$config]"
  exit 0
fi

[ "$xsession_exit_code" = 0 ] || fail "exit code $xsession_exit_code, expected 0"
grep -q "TerrainSceneManager .*\"$config\"" "$scratch/Ogre.log" || fail "Ogre.log does not note the terrain"
size=$(identify -format '%w %h' "$scratch/$picture") || fail "no picture"
[ "$size" = "800 600" ] || fail "the picture measures $size"
deviation=$(convert "$scratch/$picture" -colorspace Gray -format '%[fx:standard_deviation]' info:)
awk -v d="$deviation" 'BEGIN { exit !(d > 0.02) }' || fail "the picture is blank (deviation $deviation)"
echo "PASS [$config] deviation $deviation"
