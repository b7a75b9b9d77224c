#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan), makes their seed corpora and runs each target
# for SECONDS (default 600) with its dictionary, JOBS targets at a time (default 2), at low
# priority. Prints one line of figures per target; crashes are kept in OUT/<target>/crashes/, and
# a run that found one ends with status 1 (CI runs every target briefly on its seeds).
#   fuzz/run.sh [SECONDS] [JOBS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
jobs=${2:-2}
shift $(($# > 2 ? 2 : $#))
build=${QV_FUZZ_BUILD_DIR:-build-fuzz}
out=${QV_FUZZ_OUT:-$build/fuzz-runs}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(execute_line specimen_commands line_session keyword_file
                                     plain_list object_file driver_replies)

cmake -S . -B "$build" -G Ninja -DQV_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")
rm -rf "$out/seeds" && python3 fuzz/make_seeds.py "$out/seeds"
started="$out/started"  # crashes newer than this were found by this run
touch "$started"

dictionary() {
  case $1 in
    keyword_file | plain_list | object_file) echo fuzz/dict/keyword.dict ;;
    driver_replies) echo fuzz/dict/driver.dict ;;
    *) echo fuzz/dict/commands.dict ;;
  esac
}

run_one() {
  local target=$1 dir="$out/$1"
  mkdir -p "$dir/corpus" "$dir/crashes"
  nice -n 19 "$build/fuzz/fuzz_$target" "$dir/corpus" "$out/seeds/$target" \
    -dict="$(dictionary "$target")" -max_total_time="$seconds" -max_len=1100000 \
    -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$dir/crashes/" \
    >"$dir/log" 2>&1 || true
  local execs rate cov units crashes
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log")
  cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -1 | cut -d' ' -f2)
  units=$(find "$dir/corpus" -type f | wc -l)
  # Inputs slower than libFuzzer's report threshold are kept as slow-unit-*; they are not faults.
  crashes=$(find "$dir/crashes" -type f ! -name 'slow-unit-*' | wc -l)
  slow=$(find "$dir/crashes" -type f -name 'slow-unit-*' | wc -l)
  printf '%-18s %10s runs %7s/s  cov %6s  corpus %6s  crashes %s  slow %s\n' \
    "$target" "${execs:-?}" "${rate:-?}" "${cov:-?}" "$units" "$crashes" "$slow"
}

for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_one "$target" &
done
wait
# An input counts when it fails again on its own: on a busy machine libFuzzer may take a slow
# run for a time-out.
found=0
while IFS= read -r input; do
  target=$(basename "$(dirname "$(dirname "$input")")")
  if "$build/fuzz/fuzz_$target" -timeout=30 -rss_limit_mb=4096 "$input" >/dev/null 2>&1; then
    echo "fuzz: $input passes on its own (the machine was busy); not counted" >&2
  else
    found=$((found + 1))
  fi
done < <(find "$out" -path '*/crashes/*' -type f ! -name 'slow-unit-*' -newer "$started")
if [ "$found" -gt 0 ]; then
  echo "fuzz: $found crashing inputs, kept in $out/<target>/crashes/" >&2
  exit 1
fi
