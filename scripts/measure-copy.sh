#!/usr/bin/env bash
# Time from a copy to the filtered text on the clipboard, under Wine, all twenty steps on, for
# 1 KB, 1 MB and 10 MB of mixed Japanese text. Run through the Wine harness:
#   tests/wine/harness.sh --build build/windows --native -- scripts/measure-copy.sh \
#     build/windows/src/app/kestrilon.exe build/windows/tests/e2e/cliptool.exe SAMPLE.sjis
set -euo pipefail
kestrilon_exe=${1:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE SAMPLE.sjis}
cliptool_exe=${2:?}
sample=${3:?}
: "${WINELOADER:?run me through tests/wine/harness.sh --native}"

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrilon-measure.XXXXXX")
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cp "$kestrilon_exe" "$work/kestrilon.exe"
cp "$cliptool_exe" "$work/cliptool.exe"
user=$("$WINELOADER" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r\n')
{
  printf '[%s]\r\n' "$user"
  for s in NumberMode AlphabetMode PunctuationMode PeriodMode SignMode SpaceMode ParenthesisMode \
           KanaMode1 KanaMode2 ReturnMode Space2Tab UpDownCase EnterDeleteMode TagDelete RepAmp \
           RepLG RepQuot AddLI DelDmySpc DelConma; do printf '%s=1\r\n' "$s"; done
} >"$work/kestrilon.ini"
(cd "$work" && exec "$WINELOADER" ./kestrilon.exe) &
pid=$!
sleep 3
iconv -f CP932 -t UTF-8 "$sample" >"$work/all.txt"
for size in 1024 1048576 10485760; do
  head -c "$size" "$work/all.txt" | { iconv -f UTF-8 -t UTF-8 -c 2>/dev/null || true; } >"$work/part.txt"  # whole characters only
  best=""
  for _ in 1 2 3; do
    ms=$("$WINELOADER" "$work/cliptool.exe" time-filter 'Z:'"$work/part.txt" 2>/dev/null | tr -d '\r' | tail -n1)
    [[ -z $best || $ms -lt $best ]] && best=$ms
  done
  printf '%9d bytes: %6d ms from the copy to the filtered text (best of 3)\n' "$size" "$best"
done
