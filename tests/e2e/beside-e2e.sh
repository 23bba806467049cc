#!/usr/bin/env bash
# The real kestrilon.exe beside the programs every desktop has: clipboard-history tools in the old
# viewer chain (one that passes notices on, one that passes nothing on), a program that keeps the
# clipboard open right after copying, a password manager's private copies, a burst of copies and
# a large copy. Every check reads the exact text back, and that the clipboard then stays still:
# a program that filters its own output again keeps changing it.
#
#   beside-e2e.sh KESTRILON.EXE CLIPTOOL.EXE KESTRILON-FILTER.EXE
set -uo pipefail

kestrilon_exe=${1:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE KESTRILON-FILTER.EXE}
cliptool_exe=${2:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE KESTRILON-FILTER.EXE}
filter_exe=${3:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE KESTRILON-FILTER.EXE}
. "$(dirname "$0")/lib.sh"

# The sequence number doesn't move for two seconds: nothing rewrites the clipboard any more.
expect_still() {  # NAME
  local before after
  before=$(tool sequence)
  sleep 2
  after=$(tool sequence)
  [[ -n $before && $before == "$after" ]] && pass "$1: the clipboard stays still" \
    || fail "$1: the sequence number moved from $before to $after"
}

# Waits until the clipboard has stayed still, then checks its text.
expect_left() {  # NAME EXPECTED
  local before after
  for _ in $(seq 1 10); do
    before=$(tool sequence); sleep 1; after=$(tool sequence)
    [[ $before == "$after" ]] && break
  done
  [[ $(clip_text) == "$(hex "$2")" ]] && pass "$1" || fail "$1: the clipboard reads $(clip_text)"
}

started_viewer() {  # MODE SECONDS: a viewer in the chain in front of the program
  "$WINELOADER" "$work/cliptool.exe" viewer "$1" "$2" >"$work/viewer.log" 2>&1 &
  viewer_pid=$!
  poll 20 grep -q joined "$work/viewer.log"
}

echo "== beside clipboard-history tools in the viewer chain"
if start_program RepAmp=1 AddLI=1; then
  if started_viewer pass 8; then
    expect_filtered "a viewer that passes notices on: filtered exactly once" "a&b" "<li>a&amp;b$crlf"
    expect_still "a viewer that passes notices on"
    poll 30 gone "$viewer_pid"
    expect_filtered "after it left the chain: filtered exactly once" "c&d" "<li>c&amp;d$crlf"
    expect_still "after the viewer left"
  else
    fail "the passing viewer didn't join"
  fi
  if started_viewer drop 8; then
    expect_filtered "a viewer that passes nothing on doesn't silence it" "e&f" "<li>e&amp;f$crlf"
    expect_still "a viewer that passes nothing on"
    poll 30 gone "$viewer_pid"
  else
    fail "the silent viewer didn't join"
  fi

  echo "== a program that keeps the clipboard open right after copying"
  box_text=$(hex "クリップボードを開くことができません")
  held=""
  for attempt in 1 2 3 4 5; do
    out=$(tool copy-hold "$(hex "held&1")" 1500)
    [[ $out == held ]] && { held=1; break; }
    echo "  (attempt $attempt: the program opened the clipboard before the holder did; again)"
  done
  if [[ -n $held ]]; then
    expect_filtered "the held copy is filtered once the clipboard opens" "held&1" "<li>held&amp;1$crlf"
    expect_still "after the held copy"
    tool find-window "$box_text" >/dev/null && fail "a message box popped up" || pass "no message box"
  else
    fail "the holder never held the clipboard first"
  fi

  echo "== 200 copies in a burst"
  tool burst 200 "$(hex "burst&")"
  expect_filtered "the last of 200 copies is filtered exactly once" "burst& 200" "<li>burst&amp; 200$crlf"
  expect_still "after the burst"
  kill -0 "$program_pid" 2>/dev/null && pass "the program still runs" || fail "the program ended"
else
  fail "the program didn't start filtering"
fi

echo "== private copies"
if start_program UpDownCase=2; then
  for marker in "ExcludeClipboardContentFromMonitorProcessing 1" "Clipboard Viewer Ignore 1" \
                "CanIncludeInClipboardHistory 0" "CanUploadToCloudClipboard 0"; do
    tool copy-marked "$(hex secret)" "${marker% *}" "${marker##* }"
    expect_left "$marker: left alone" "secret"
    formats=$(clip_formats)
    (($(wc -w <<<"$formats") >= 2)) || fail "$marker: the marker is gone (formats $formats)"
  done
  tool copy-marked "$(hex secret)" CanIncludeInClipboardHistory 1
  expect_left "CanIncludeInClipboardHistory 1: a public copy is filtered" "SECRET$crlf"

  echo "== a 10 MB copy made inside Windows"
  big="$work/big.txt"
  line="ＡＢＣ　１２３　かなカナ　<b>a&b</b>　😀　abc,def"
  python3 -c "import sys; l=sys.argv[1]+'\n'; sys.stdout.write(l*(10*1024*1024//len(l.encode())))" "$line" >"$big"
  want="$work/big.want"
  "$WINELOADER" "$filter_exe" --set UpDownCase=2 -o "$(winpath "$want")" "$(winpath "$big")" 2>/dev/null
  got="$work/big.got"
  tool copy-file "$(winpath "$big")" >/dev/null
  big_filtered() { tool read-to "$(winpath "$got")" && cmp -s "$got" "$want"; }
  if [[ -s $want ]] && poll 60 big_filtered; then
    pass "a $(($(stat -c %s "$big") / 1024)) KiB copy comes back exactly as kestrilon-filter makes it"
    expect_still "after the large copy"
  else
    fail "the large copy: $(stat -c %s "$got" 2>/dev/null) bytes back, $(stat -c %s "$want" 2>/dev/null) wanted"
  fi

  echo "== a copy made while a 5 MB copy is being filtered"
  head -c $((5 * 1024 * 1024)) "$big" | sed '$d' >"$work/five.txt"
  for ms in 0 40 75; do
    tool copy-file-then "$(winpath "$work/five.txt")" "$ms" "$(hex "newer $ms")" >/dev/null
    newer_filtered() { [[ $(clip_text) == "$(hex "NEWER $ms$crlf")" ]]; }
    if poll 30 newer_filtered; then
      sleep 1  # the older copy's run has long ended: nothing may come over the newer copy now
      newer_filtered && pass "a copy $ms ms after a 5 MB copy ends up on the clipboard, filtered" \
        || fail "$ms ms after a 5 MB copy: the newer copy was replaced ($(clip_text | head -c 40)...)"
    else
      fail "$ms ms after a 5 MB copy: the clipboard holds $(clip_text | head -c 40)..."
    fi
  done
else
  fail "the program didn't start filtering"
fi

stop_program
echo "$passed passed, $failed failed"
((failed == 0))
