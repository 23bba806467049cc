#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build: the pipeline for SECONDS, then the bridge for a fifth
# of that (at least 10 s). Corpora and any findings stay in the build folder; a finding stops
# the run with a non-zero status and names the file that reproduces it.
# Usage: fuzz/run.sh BUILD-DIR SECONDS
set -euo pipefail

build=${1:?usage: $0 BUILD-DIR SECONDS}
seconds=${2:?usage: $0 BUILD-DIR SECONDS}
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$build" && pwd)"
work="$build/fuzz-work"
mkdir -p "$work/artifacts"

# Seeds: the bundled sample behind a few settings prefixes (one byte per setting, in the order
# of kestrilon-filter --list, then the mode byte: even for code page 932 bytes, odd for UTF-8
# through the bridge).
seed() {
  local dir=$1 name=$2 prefix=$3 text=$4
  mkdir -p "$dir"
  { printf "$prefix"; cat "$text"; } >"$dir/$name"
}
pipeline_corpus="$work/corpus-pipeline"
sample="$root/samples/japanese.txt"
seed "$pipeline_corpus" utf8-all-off '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\1' "$sample"
seed "$pipeline_corpus" utf8-all-one '\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1' "$sample"
seed "$pipeline_corpus" utf8-all-two '\2\2\2\2\2\2\2\2\2\3\3\2\1\1\1\1\1\1\1\1\1\1' "$sample"
iconv -f UTF-8 -t CP932 "$sample" >"$work/sample.sjis"
seed "$pipeline_corpus" sjis-all-one '\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\1\0' "$work/sample.sjis"
seed "$pipeline_corpus" sjis-kana '\0\0\0\0\0\0\0\1\2\0\3\0\0\0\0\0\0\0\0\0\0\0' "$work/sample.sjis"
bridge_corpus="$work/corpus-bridge"
mkdir -p "$bridge_corpus"
cp "$sample" "$bridge_corpus/sample-utf8"
cp "$work/sample.sjis" "$bridge_corpus/sample-sjis"

run() {
  local target=$1 corpus=$2 time=$3 log="$work/$1.log"
  echo "fuzz: $target for ${time}s (log: $log)"
  local status=0
  "$build/fuzz/$target" "$corpus" -max_total_time="$time" -max_len=8192 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/$target-" \
    >"$log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 inputs in \2 s/p' "$log" | tail -1)
  if ((status != 0)); then
    echo "fuzz: $target FOUND A FAULT (status $status); the input is in $work/artifacts:"
    grep -E 'invariant broken|ERROR: |SUMMARY|Test unit written' "$log" || tail -20 "$log"
    return "$status"
  fi
  echo "fuzz: $target ran ${runs:-?}, no finding"
}

run PipelineFuzz "$pipeline_corpus" "$seconds"
bridge_seconds=$((seconds / 5))
((bridge_seconds < 10)) && bridge_seconds=10
run BridgeFuzz "$bridge_corpus" "$bridge_seconds"
