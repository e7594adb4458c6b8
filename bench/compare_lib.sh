# Helpers for bench/compare: median wall time and peak memory of a command.
# measure CMD...: prints "SECONDS KIB" (median wall seconds, peak resident KiB of the median run).
measure() {
  local times=() mems=() i out
  for ((i = 0; i < RUNS; i++)); do
    # time's own report is the last line of its stderr; the command's output is discarded inside.
    out=$(/usr/bin/time -f '%e %M' bash -c "$* >/dev/null 2>/dev/null" 2>&1 | tail -n1)
    times+=("${out%% *}"); mems+=("${out##* }")
  done
  local sorted
  sorted=$(for i in "${!times[@]}"; do echo "${times[$i]} ${mems[$i]}"; done | sort -n)
  echo "$sorted" | sed -n "$(( (RUNS + 1) / 2 ))p"
}

compare_header() {
  printf '%-28s %-10s %10s %10s %10s\n' "task" "who" "seconds" "peak MiB" "ratio"
}

# compare_row TASK "OUR COMMAND" PEER_NAME "PEER COMMAND" [PEER_NAME "PEER COMMAND" ...]
# Prints one line for us and one per peer; ratio = peer time / our time (above 1: we are faster).
compare_row() {
  local task=$1 ours=$2; shift 2
  local m t k
  m=$(measure "$ours"); t=${m%% *}; k=${m##* }
  printf '%-28s %-10s %10s %10.0f %10s\n' "$task" "tessalin" "$t" "$((k / 1024))" "1.00"
  while [ $# -ge 2 ]; do
    local name=$1 cmd=$2; shift 2
    local pm pt pk
    pm=$(measure "$cmd"); pt=${pm%% *}; pk=${pm##* }
    printf '%-28s %-10s %10s %10.0f %10s\n' "" "$name" "$pt" "$((pk / 1024))" "$(awk -v a="$pt" -v b="$t" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }')"
  done
}
