#!/usr/bin/env bash
# The end-to-end harness's checks of a run against the table, on made-up tables,
# outputs, logs and images.
set -uo pipefail
source "$(cd "$(dirname "$0")" && pwd)/expectations.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
expect() {  # expect pass|fail <description> <command...>
  local want=$1 what=$2
  shift 2
  if "$@" >/dev/null; then got=pass; else got=fail; fi
  [ "$got" = "$want" ] || { echo "FAIL: $what (expected $want, got $got)"; failures=$((failures + 1)); }
}
lines() { printf '%s\n' "$@"; }

T=$'\t'
lines "# a comment" "" \
  "*${T}scenario${T}quit-q" \
  "*${T}log${T}1+${T}*** Initializing OIS ***" \
  "lake,pond${T}scenario${T}run" \
  "lake${T}scenario${T}no-bunny${T}missing-resource${T}/models\$${T}bunny.off" \
  "lake${T}stdout${T}1${T}^min: " \
  "lake${T}stdout${T}1+${T}^add random drop at (2[4-9]|3[0-9]|40) / (2[4-9]|3[0-9]|40)\$" \
  "lake${T}stdout${T}0${T}^err: no intersection\$" \
  "lake${T}log${T}1${T}[Hydrax] Creating" \
  "lake${T}log-order${T}[Hydrax] Creating" \
  "lake${T}log-order${T}HydraxGridVertex created." \
  "lake${T}colour${T}10x10+0+0${T}water" \
  "quiet${T}scenario${T}run" >"$scratch/table"

table_load "$scratch/table" lake
expect pass "own, listed and * rows are read" test ${#table_rows[@]} -eq 11
expect pass "a scenario's kind defaults to its name" test "$(table_scenario run)" = run
expect pass "a scenario's kind and arguments" test "$(table_scenario no-bunny)" = "missing-resource${T}/models\$${T}bunny.off"
expect fail "a scenario the program lacks" table_scenario close
table_load "$scratch/table" pond
expect pass "a program of a list" test "$(table_scenario run)" = run
table_load "$scratch/table" po
expect fail "no program by a prefix of a listed one" table_scenario run

table_load "$scratch/table" lake
lines "min: -1 0 -1" "add random drop at 24 / 40" "add random drop at 31 / 33" >"$scratch/out"
expect pass "listed lines in their counts" check_stdout "$scratch/out"
lines "min: -1 0 -1" "add random drop at 24 / 41" >"$scratch/out"
expect fail "a line outside the allowed cells" check_stdout "$scratch/out"
lines "min: -1 0 -1" "add random drop at 30 / 30" "err: no intersection" >"$scratch/out"
expect fail "a forbidden line" check_stdout "$scratch/out"
lines "min: -1 0 -1" "min: -1 0 -1" "add random drop at 30 / 30" >"$scratch/out"
expect fail "a line counted once, twice" check_stdout "$scratch/out"
lines "add random drop at 30 / 30" >"$scratch/out"
expect fail "a line that must come, missing" check_stdout "$scratch/out"
lines "min: -1 0 -1" "" "add random drop at 30 / 30" >"$scratch/out"
expect fail "an empty line that no row allows" check_stdout "$scratch/out"
table_load "$scratch/table" quiet
: >"$scratch/out"
expect pass "no stdout rows: nothing printed" check_stdout "$scratch/out"
lines "hello" >"$scratch/out"
expect fail "no stdout rows: any line is too much" check_stdout "$scratch/out"

table_load "$scratch/table" lake
lines "*** Initializing OIS ***" "[Hydrax] Creating HydraxGridVertex module." "[Hydrax] HydraxGridVertex created." \
  >"$scratch/log"
expect pass "log lines in their counts and order" check_log "$scratch/log"
lines "*** Initializing OIS ***" "[Hydrax] HydraxGridVertex created." "[Hydrax] Creating HydraxGridVertex module." \
  >"$scratch/log"
expect fail "log lines out of order" check_log "$scratch/log"
lines "*** Initializing OIS ***" "[Hydrax] HydraxGridVertex created." >"$scratch/log"
expect fail "a log line that must come, missing" check_log "$scratch/log"

for c in '#2a8cb4' '#3aa08a' '#1e6e9a'; do
  convert -size 20x20 "xc:$c" "$scratch/image.png"
  expect pass "water: $c" check_colours "$scratch/image.png"
done
for c in '#08161c' '#14385a' '#808080' '#6a7f5a' '#c08040' '#ffffff'; do
  convert -size 20x20 "xc:$c" "$scratch/image.png"
  expect fail "not water: $c" check_colours "$scratch/image.png"
done
convert -size 20x20 xc:'#2a8cb4' -fill '#000000' -draw 'rectangle 0,0 9,9' "$scratch/image.png"
expect fail "the region, not the whole image" check_colours "$scratch/image.png"

expect pass "count: exactly" count_ok 2 2
expect fail "count: exactly, more" count_ok 2 3
expect pass "count: at least" count_ok 1+ 5
expect fail "count: at least, fewer" count_ok 1+ 0
expect pass "count: any" count_ok '*' 0

[ "$failures" = 0 ] && echo "PASS: the harness's checks"
exit $((failures > 0))
