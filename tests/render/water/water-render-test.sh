#!/usr/bin/env bash
# Runs one scene of water_render on a virtual display of its own.
#   water-render-test.sh <scene> <executable> <configuration dir> <scratch dir>
# The scratch dir keeps the screenshots, the program's output and its log.
set -uo pipefail
scene=$1 exe=$2 configdir=$3 scratch=$4
source "$(cd "$(dirname "$0")/../../.." && pwd)/scripts/lib/xsession.sh"
trap xsession_stop EXIT

rm -rf "$scratch"
mkdir -p "$scratch"
cp "$configdir/plugins.cfg" "$configdir/resources.cfg" "$scratch/"
xsession_start_xvfb "$scratch" || { echo "FAIL [$scene]: no virtual display" >&2; exit 1; }
(cd "$scratch" && exec "$exe" "$scene") >"$scratch/stdout" 2>"$scratch/stderr" &
xsession_program_pid=$!
if ! xsession_wait_exit 300; then
  echo "FAIL [$scene]: did not end (left in $scratch)" >&2
  exit 1
fi
cat "$scratch/stdout"
cat "$scratch/stderr" >&2
[ "$xsession_exit_code" = 0 ] || { echo "FAIL [$scene]: exit code $xsession_exit_code (left in $scratch)" >&2; exit 1; }
echo "PASS [$scene] (screenshots in $scratch)"
