#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build (scripts/test.sh makes build-san) for a long
# time: 10 million executions each by default. Prints, per target, the executions, the
# time and the findings (crash, leak and timeout files that libFuzzer left).
#   fuzz/soak.sh [BUILD-DIR] [RUNS]
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-san}
runs=${2:-10000000}
status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  out=$(mktemp -d)
  corpus=$build/fuzz/corpus-${name#fuzz_}
  mkdir -p "$corpus"
  seeds=()
  [ -d "$top/fuzz/${name#fuzz_}_seeds" ] && seeds+=("$top/fuzz/${name#fuzz_}_seeds")
  dict=()
  [ -f "$top/fuzz/${name#fuzz_}.dict" ] && dict+=("-dict=$top/fuzz/${name#fuzz_}.dict")
  begin=$(date +%s)
  "$target" -runs="$runs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${dict[@]}" \
    -artifact_prefix="$out/" "$corpus" "${seeds[@]}" >"$out/log" 2>&1
  code=$?
  seconds=$(($(date +%s) - begin))
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/log" | grep -o '[0-9]*$')
  findings=$(find "$out" -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' | wc -l)
  echo "$name: ${execs:-0} executions in ${seconds} s, ${findings} findings, exit ${code}"
  if [ "$findings" -ne 0 ] || [ $code -ne 0 ]; then
    status=1
    tail -40 "$out/log"
  fi
  rm -rf "$out"
done
exit $status
