#!/usr/bin/env bash
# make bench: the filter's throughput over a generated 10 MB text of mixed Japanese.
#   1. every step alone, some combinations and all twenty on, in-process (Google Benchmark),
#      at 1 MB and 10 MB, with the time ratio 10 MB / 1 MB (at most 12: linear);
#   2. kestrilon-filter against `nkf -Sx -s -Z1` over the same file, process against process:
#      all twenty steps no slower than nkf; NumberMode, AlphabetMode and SpaceMode at 1 at least
#      three times as fast;
#   3. kestrilon-filter's peak memory with all steps on: at most 8 times the input.
# Exits non-zero when a bound is missed, after printing every figure.
# Usage: bench/run.sh BUILD-DIR
set -euo pipefail

build=${1:?usage: $0 BUILD-DIR}
bench="$build/bench/FilterBench"
tool="$build/tools/kestrilon-filter"
work="$build/bench-work"
for f in "$bench" "$tool"; do
  [[ -x $f ]] || { echo "bench: $f is missing (build first; FilterBench needs libbenchmark-dev)"; exit 1; }
done
command -v nkf >/dev/null || { echo "bench: nkf is missing (make deps installs it)"; exit 1; }
mkdir -p "$work"

text="$work/mixed-10MiB.sjis"
"$bench" --write-text "$text" $((10 * 1024 * 1024))
bytes=$(stat -c %s "$text")
misses=()

echo "== 1. in-process throughput, every step (MB = 10^6 bytes)"
"$bench" --benchmark_min_time=0.2 --benchmark_repetitions=3 \
  --benchmark_display_aggregates_only=true --benchmark_color=false | tee "$work/steps.txt" ||
  misses+=("linearity (see the table)")

# Best of five wall-clock runs, in seconds.
best_of_5() {
  local best="" start end
  for _ in 1 2 3 4 5; do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    best=$(awk -v a="$start" -v b="$end" -v m="$best" 'BEGIN { t = b - a; if (m == "" || t < m) m = t; printf "%.4f", m }')
  done
  echo "$best"
}

all_one=() all_last=()
while read -r name rest; do
  # --list prints "NAME=DEFAULT caption (0 ..., 1 ..., N ...)"; the last item number is N.
  last=$(sed -n 's/.*, \([0-9]\) [^,]*)$/\1/p' <<<"$rest")
  all_one+=(--set "${name%%=*}=1")
  all_last+=(--set "${name%%=*}=${last:-1}")
done < <("$tool" --list | tail -n +2)
three=(--set NumberMode=1 --set AlphabetMode=1 --set SpaceMode=1)

echo
echo "== 2. kestrilon-filter against nkf -Sx -s -Z1, $bytes bytes, best of 5"
t_nkf=$(best_of_5 nkf -Sx -s -Z1 "$text")
t_one=$(best_of_5 "$tool" --encoding cp932 "${all_one[@]}" "$text")
t_last=$(best_of_5 "$tool" --encoding cp932 "${all_last[@]}" "$text")
t_three=$(best_of_5 "$tool" --encoding cp932 "${three[@]}" "$text")

report() {  # label seconds bound-description check(awk expression over r = nkf time / time)
  local label=$1 t=$2 bound=$3 check=$4
  local line
  line=$(awk -v t="$t" -v n="$t_nkf" -v bytes="$bytes" -v label="$label" -v bound="$bound" \
    "BEGIN { r = n / t; ok = ($check); printf \"%-46s %7.3f s %8.1f MB/s  %5.2fx nkf  %s\", label, t, bytes / 1e6 / t, r, ok ? \"ok (\" bound \")\" : \"MISS (\" bound \")\" }")
  echo "$line"
  [[ $line == *MISS* ]] && misses+=("$label against nkf")
  return 0
}
printf '%-46s %7.3f s %8.1f MB/s\n' "nkf -Sx -s -Z1" "$t_nkf" "$(awk -v t="$t_nkf" -v b="$bytes" 'BEGIN { print b / 1e6 / t }')"
report "all twenty on (each at 1)" "$t_one" "no slower than nkf" "r >= 1"
report "all twenty on (each at its last item)" "$t_last" "no slower than nkf" "r >= 1"
report "NumberMode+AlphabetMode+SpaceMode=1" "$t_three" "at least 3x nkf" "r >= 3"
# The same comparisons for the filter alone (in-process, 10 MB column of the table above),
# which leaves out reading, checking and writing the file.
nkf_mbs=$(awk -v t="$t_nkf" -v b="$bytes" 'BEGIN { print b / 1e6 / t }')
for label in "all twenty on (each at 1)" "all twenty on (each at its last item)" "NumberMode+AlphabetMode+SpaceMode=1"; do
  grep -F "$label " "$work/steps.txt" | grep -v '/' | tail -1 |
    awk -v n="$nkf_mbs" -v label="$label" '{ split(substr($0, 43), f, " "); mbs = f[2]; printf "  filter alone: %-37s %8.1f MB/s  %5.2fx nkf\n", label, mbs, mbs / n }'
done

echo
echo "== 3. peak memory, all twenty on, $bytes bytes"
for variant in one last; do
  if [[ $variant == one ]]; then args=("${all_one[@]}"); else args=("${all_last[@]}"); fi
  kib=$("$bench" --peak-rss /dev/null -- "$tool" --encoding cp932 "${args[@]}" "$text")
  line=$(awk -v k="$kib" -v b="$bytes" -v v="$variant" 'BEGIN { r = k * 1024 / b;
    printf "kestrilon-filter, each at %-5s peak RSS %7.1f MiB = %4.2fx the input  %s", v, k / 1024, r,
      r <= 8 ? "ok (at most 8x)" : "MISS (at most 8x)" }')
  echo "$line"
  [[ $line == *MISS* ]] && misses+=("peak memory (each at $variant)")
done

echo
if ((${#misses[@]})); then
  printf 'bench: MISSED: %s\n' "${misses[@]}"
  exit 1
fi
echo "bench: every bound holds"
