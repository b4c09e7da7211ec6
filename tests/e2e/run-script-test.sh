#!/usr/bin/env bash
# The README's run command, scripts/run, on this build and without a display.
#   run-script-test.sh <build dir> <program>
set -uo pipefail
build=$1 program=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL [scripts/run]: $*" >&2
  for f in out err; do [ -s "$scratch/$f" ] && { echo "--- $f:" >&2; cat "$scratch/$f" >&2; }; done
  exit 1
}
run() {
  status=0
  MARROWFIELD_BUILD_DIR=$build "$root/scripts/run" "$@" >"$scratch/out" 2>"$scratch/err" </dev/null || status=$?
}

# Names that are no program are refused before anything is built or started.
for name in nosuch . .. programs/.. "$program/.." ""; do
  run "$name"
  [ "$status" = 2 ] || fail "'$name': exit code $status, expected 2"
  grep -qxF "unknown program: $name" "$scratch/err" || fail "'$name': not called an unknown program"
  grep -qE "^programs:.* $program( |\$)" "$scratch/err" || fail "'$name': the programs are not listed"
  ! grep -q "display" "$scratch/err" || fail "'$name': a display was started"
done
if [ ! -d "$root/programs/$(sed -n 's/^default_program=//p' "$root/scripts/run")" ]; then
  run
  [ "$status" = 2 ] && grep -q '^usage: ' "$scratch/err" || fail "without a name and without its default program: no usage"
fi

# With everything built, the run says only that it uses a virtual display; the
# screenshot is the program's own, in its working directory. Without a name
# the run starts the default program.
unset DISPLAY
expect_run() {
  local name=$1 shot=$build/run/programs/$1/bin/screenshot_1.png
  shift
  rm -f "$shot"
  run "$@"
  [ "$status" = 0 ] || fail "$name: exit code $status"
  [ "$(grep -c '' "$scratch/err")" = 1 ] &&
    grep -qx "No display: running $name on the virtual display :[0-9]*" "$scratch/err" ||
    fail "$name: standard error holds more than the virtual display's line"
  grep -qxF "Screenshot: $shot" "$scratch/out" || fail "$name: no screenshot named"
  [ "$(head -c 4 "$shot" | tail -c 3)" = PNG ] || fail "$shot is no PNG file"
}
expect_run "$program" "$program/"
default=$(sed -n 's/^default_program=//p' "$root/scripts/run")
[ -d "$root/programs/$default" ] && expect_run "$default"
echo "PASS [scripts/run]"
