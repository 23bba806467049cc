#!/usr/bin/env bash
# make bench: the filter's throughput over a generated 10 MB text of mixed Japanese.
#   1. every step alone, some combinations and all twenty on, in-process (Google Benchmark),
#      at 1 MB and 10 MB in pairs of runs, the median of the pairs' time ratios 10 MB / 1 MB (at
#      most 11: linear);
#   2. kestrilon-filter against `nkf -Sx -s -Z1` over the same file, process against process, in
#      pairs (one run of each, in turn), the median of the pairs' CPU time ratios: all twenty
#      steps on at most 0.33 of nkf's time; NumberMode, AlphabetMode and SpaceMode at 1 at most
#      0.15;
#   3. kestrilon-filter's peak memory with all steps on: at most 2 times the input.
# Exits non-zero when a bound is missed, after printing every figure.
# Usage: bench/run.sh BUILD-DIR [PAIRS]
set -euo pipefail

build=${1:?usage: $0 BUILD-DIR [PAIRS]}
pairs=${2:-11}
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

# CPU seconds, wall seconds and peak KiB of one run.
measure() { "$bench" --measure /dev/null -- "$@"; }

all_one=() all_last=()
while read -r name rest; do
  # --list prints "NAME=DEFAULT caption (0 ..., 1 ..., N ...)"; the last item number is N.
  last=$(sed -n 's/.*, \([0-9]\) [^,]*)$/\1/p' <<<"$rest")
  all_one+=(--set "${name%%=*}=1")
  all_last+=(--set "${name%%=*}=${last:-1}")
done < <("$tool" --list | tail -n +2)
three=(--set NumberMode=1 --set AlphabetMode=1 --set SpaceMode=1)

# paired LABEL BOUND ARGS...: kestrilon-filter with ARGS and nkf in turn, $pairs times after one
# of each to warm up; prints the medians and the median ratio of CPU time (the wall clock of a
# shared machine moves more), and checks it against BOUND.
paired() {
  local label=$1 bound=$2
  shift 2
  measure "$tool" --encoding cp932 "$@" "$text" >/dev/null
  measure nkf -Sx -s -Z1 "$text" >/dev/null
  local rows=()
  for ((k = 0; k < pairs; ++k)); do
    read -r a_cpu a_wall _ < <(measure "$tool" --encoding cp932 "$@" "$text")
    read -r b_cpu b_wall _ < <(measure nkf -Sx -s -Z1 "$text")
    rows+=("$a_cpu $a_wall $b_cpu $b_wall")
  done
  local line
  line=$(printf '%s\n' "${rows[@]}" | awk -v label="$label" -v bound="$bound" -v bytes="$bytes" '
    function median(a, n,   i, j, t) {
      for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    { n++; ac[n] = $1; aw[n] = $2; bc[n] = $3; bw[n] = $4; r[n] = $1 / $3; rw[n] = $2 / $4 }
    END {
      m = median(r, n); mac = median(ac, n); mbc = median(bc, n); mrw = median(rw, n)
      printf "%-40s cpu %6.3f s vs nkf %6.3f s  %8.1f MB/s  ratio %5.3f (wall %5.3f)  %s",
        label, mac, mbc, bytes / 1e6 / mac, m, mrw, m <= bound ? "ok (at most " bound ")" : "MISS (at most " bound ")"
    }')
  echo "$line"
  [[ $line == *MISS* ]] && misses+=("$label against nkf")
  return 0
}

echo
echo "== 2. kestrilon-filter against nkf -Sx -s -Z1, $bytes bytes, $pairs pairs, medians"
paired "all twenty on (each at 1)" 0.33 "${all_one[@]}"
paired "all twenty on (each at its last item)" 0.33 "${all_last[@]}"
paired "NumberMode+AlphabetMode+SpaceMode=1" 0.15 "${three[@]}"

echo
echo "== 3. peak memory, all twenty on, $bytes bytes"
for variant in one last; do
  if [[ $variant == one ]]; then args=("${all_one[@]}"); else args=("${all_last[@]}"); fi
  read -r _ _ kib < <(measure "$tool" --encoding cp932 "${args[@]}" "$text")
  line=$(awk -v k="$kib" -v b="$bytes" -v v="$variant" 'BEGIN { r = k * 1024 / b;
    printf "kestrilon-filter, each at %-5s peak RSS %7.1f MiB = %4.2fx the input  %s", v, k / 1024, r,
      r <= 2 ? "ok (at most 2x)" : "MISS (at most 2x)" }')
  echo "$line"
  [[ $line == *MISS* ]] && misses+=("peak memory (each at $variant)")
done

echo
if ((${#misses[@]})); then
  printf 'bench: MISSED: %s\n' "${misses[@]}"
  exit 1
fi
echo "bench: every bound holds"
