# Helpers for bench/compare: commands of one row timed interleaved, medians.
# A row's commands run in turn, RUNS rounds of them, so that a change in the
# machine's load during the row reaches every command alike.

# time_once CMD: prints "WALL_SECONDS CPU_SECONDS PEAK_KIB" for one run of CMD
# (its output discarded). CPU is user + system of the command and its children.
time_once() {
  local report start end
  report=$(mktemp)
  start=$EPOCHREALTIME
  /usr/bin/time -o "$report" -f '%M %U %S' bash -c "$1 >/dev/null 2>/dev/null" || true
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" '{ printf "%.3f %.2f %d\n", e - s, $2 + $3, $1 }' "$report"
  rm -f "$report"
}

# median_of FIELD LINES...: the line whose FIELD (1-based) is the median.
median_line() {
  local field=$1
  shift
  printf '%s\n' "$@" | sort -n -k"$field","$field" | sed -n "$((($# + 1) / 2))p"
}

compare_header() {
  printf '%-26s %-12s %9s %9s %9s %8s\n' "task" "who" "wall s" "cpu s" "peak MiB" "ratio"
}

# compare_row TASK "OUR COMMAND" PEER_NAME "PEER COMMAND" [PEER_NAME "PEER COMMAND" ...]
# One line for us, one per peer (ratio = its wall time over ours, above 1: we
# are faster) and, with peers, one for the best of them.
compare_row() {
  local task=$1
  shift
  local names=("tessalin") commands=("$1")
  shift
  while [ $# -ge 2 ]; do
    names+=("$1")
    commands+=("$2")
    shift 2
  done
  local n=${#commands[@]} i run
  declare -A results=()
  for ((run = 0; run < RUNS; run++)); do
    for ((i = 0; i < n; i++)); do results[$i]+="$(time_once "${commands[$i]}")|"; done
  done
  local ours best="" line wall cpu kib
  for ((i = 0; i < n; i++)); do
    IFS='|' read -r -a lines <<<"${results[$i]}"
    line=$(median_line 1 "${lines[@]}")
    read -r wall cpu kib <<<"$line"
    [ "$i" -eq 0 ] && ours=$wall
    if [ "$i" -gt 0 ] && { [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; }; then best=$wall; fi
    printf '%-26s %-12s %9s %9s %9d %8s\n' "$([ "$i" -eq 0 ] && echo "$task")" "${names[$i]}" "$wall" "$cpu" \
      "$((kib / 1024))" "$(awk -v a="$wall" -v b="$ours" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
  done
  if [ -n "$best" ]; then
    printf '%-26s %-12s %9s %9s %9s %8s\n' "" "best peer" "$best" "" "" \
      "$(awk -v a="$best" -v b="$ours" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
  fi
}
