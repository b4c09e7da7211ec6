# shellcheck shell=bash
# Reading a program's rows of the end-to-end table (programs.tsv) and checking a
# run against them: sourced by program-test.sh and by its own test. A failed
# check prints its reason on standard output and returns 1.

# table_load <table> <program>: the program's rows (its own and the "*" rows), in
# table order, as "<key> TAB <value>..." in table_rows.
table_load() {
  table_rows=()
  local line programs
  while IFS= read -r line || [ -n "$line" ]; do
    case $line in '' | '#'*) continue ;; esac
    programs=${line%%$'\t'*}
    if [ "$programs" = "*" ] || [[ ",$programs," == *",$2,"* ]]; then
      table_rows+=("${line#*$'\t'}")
    fi
  done <"$1"
}

# table_values <key>: the values of the rows with this key, one row a line.
table_values() {
  local row
  for row in "${table_rows[@]}"; do
    if [ "${row%%$'\t'*}" = "$1" ]; then printf '%s\n' "${row#*$'\t'}"; fi
  done
}

# table_scenario <name>: the scenario row's kind and arguments, tab-separated.
table_scenario() {
  local name rest
  while IFS= read -r rest; do
    name=${rest%%$'\t'*}
    [ "$name" = "$1" ] || continue
    if [ "$rest" = "$name" ]; then echo "$name"; else echo "${rest#*$'\t'}"; fi
    return 0
  done < <(table_values scenario)
  return 1
}

# count_ok <count> <n>: N exactly, N+ at least, 0 never, * any number.
count_ok() {
  case $1 in
    '*') return 0 ;;
    *+) [ "$2" -ge "${1%+}" ] ;;
    *) [ "$2" -eq "$1" ] ;;
  esac
}

# check_stdout <file>: the counts of the stdout rows, and no line that no row
# with a count other than 0 allows.
check_stdout() {
  local file=$1 count pattern n allowed=() unexpected
  while IFS=$'\t' read -r count pattern; do
    n=$(grep -cE -- "$pattern" "$file")
    count_ok "$count" "$n" || { echo "standard output has $n lines matching '$pattern', expected $count"; return 1; }
    [ "$count" = 0 ] || allowed+=(-e "$pattern")
  done < <(table_values stdout)
  # Numbered, so that an empty line is seen too.
  if [ ${#allowed[@]} -eq 0 ]; then
    unexpected=$(grep -n '' "$file" | head -n 1)
  else
    unexpected=$(grep -vnE "${allowed[@]}" "$file" | head -n 1)
  fi
  [ -z "$unexpected" ] || { echo "standard output holds a line that no row allows (line $unexpected)"; return 1; }
}

# check_log <file>: the counts of the log rows, then the order of the log-order rows.
check_log() {
  local file=$1 count text n line previous=0 previous_text=""
  while IFS=$'\t' read -r count text; do
    n=$(grep -cF -- "$text" "$file")
    count_ok "$count" "$n" || { echo "Ogre.log has $n lines with '$text', expected $count"; return 1; }
  done < <(table_values log)
  while IFS= read -r text; do
    line=$(grep -nF -m 1 -- "$text" "$file" | cut -d: -f1)
    [ -n "$line" ] || { echo "Ogre.log has no line with '$text'"; return 1; }
    [ "$line" -gt "$previous" ] || { echo "Ogre.log has '$text' before '$previous_text'"; return 1; }
    previous=$line previous_text=$text
  done < <(table_values log-order)
}

# colour_is <kind> <red> <green> <blue>: mean components from 0 to 1.
colour_is() {
  case $1 in
    # Blue-green: red the weakest by a clear margin, green and blue both bright
    # enough to be seen (the sky box's deep blue below the horizon is no water).
    water) awk -v r="$2" -v g="$3" -v b="$4" 'BEGIN {
             m = g > b ? g : b; exit !(r < g && r < b && m - r > 0.1 && g > 0.28 && b > 0.28) }' ;;
    *) echo "unknown colour kind $1"; return 1 ;;
  esac
}

# check_colours <image>: every colour row's region of the image has its kind.
check_colours() {
  local image=$1 region kind mean
  while IFS=$'\t' read -r region kind; do
    mean=$(convert "$image" -crop "$region" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:) ||
      { echo "cannot read the region $region of $image"; return 1; }
    # shellcheck disable=SC2086
    colour_is "$kind" $mean || { echo "the region $region of $image is not $kind (mean colour $mean)"; return 1; }
  done < <(table_values colour)
}
