#!/usr/bin/env bash
# Shows the filter at work: runs kestrilon-filter over the bundled Japanese sample with a few
# settings switched on and prints the input, the settings and the output.
# Usage: scripts/run-sample.sh PATH-TO-kestrilon-filter
set -euo pipefail

tool=${1:?usage: $0 PATH-TO-kestrilon-filter}
root="$(cd "$(dirname "$0")/.." && pwd)"
sample="$root/samples/japanese.txt"

settings=(
  NumberMode=1       # full-width digits to ASCII
  AlphabetMode=1     # full-width letters to ASCII
  SignMode=1         # full-width symbols to ASCII
  SpaceMode=1        # full-width spaces to ASCII
  KanaMode2=2        # half-width katakana to full-width
  TagDelete=1        # remove <tags>
  DelDmySpc=1        # remove blanks at the end of each line
  EnterDeleteMode=1  # join the lines, keeping a break only after 。
)

args=()
for s in "${settings[@]}"; do args+=(--set "$s"); done

rule() { printf '%s\n' "---------------- $1 ----------------"; }

rule "input: samples/japanese.txt"
cat "$sample"
rule "settings"
printf '  %s\n' "${settings[@]}"
rule "output (what Kestrilon would leave on the clipboard)"
# The output's line breaks are CR LF, as on the Windows clipboard; shown here as plain lines.
"$tool" "${args[@]}" "$sample" | sed 's/\r$//'
printf '\n'
rule "end (try: $tool --list)"
