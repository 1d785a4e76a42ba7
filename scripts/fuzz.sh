#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for
# SECONDS (default 60), starting from the committed seeds in fuzz/corpus/.
# Fails when any target finds a crash, a leak, a broken invariant or an input
# slower than the timeout; the input is left in build-fuzz/findings/TARGET/.
# New inputs the fuzzer keeps go to build-fuzz/corpus/TARGET/, not into git.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
build=build-fuzz

if ! command -v clang++ > /dev/null; then
  echo "fuzz: clang++ is missing (bash scripts/setup.sh installs it)" >&2
  exit 1
fi

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DYOMITE_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
cmake --build "$build" --target "${targets[@]/#/yomite-fuzz-}"

# Inputs are kept small: a story of a few kilobytes already reaches every
# command, and each input must finish well within the timeout.
declare -A max_len=([story]=4096 [lines]=4096 [picture]=65536 [mci]=1024)

failed=()
summary=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  log="$build/fuzz-$t.log"
  echo "== fuzz $t for ${seconds}s"
  set +e
  "$build/fuzz/yomite-fuzz-$t" "$corpus" "fuzz/corpus/$t" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="${max_len[$t]:-4096}" \
    -artifact_prefix="$findings/" -print_final_stats=1 > "$log" 2>&1
  status=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  slowest=$(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$log")
  found=$(find "$findings" -type f | wc -l)
  summary+=("$(printf '%-8s %4ss  %9s runs  %6s/s  slowest %ss  findings %s' \
    "$t" "$seconds" "${execs:-?}" "${rate:-?}" "${slowest:-?}" "$found")")
  if [ $status -ne 0 ] || [ "$found" -ne 0 ]; then
    failed+=("$t")
    grep -E -A30 '^==[0-9]+==ERROR|broken invariant|runtime error|SUMMARY|Test unit written' "$log" | head -60 || tail -40 "$log"
  fi
done

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs in $build/findings/)" >&2
  exit 1
fi
echo "fuzz: no findings"
