#!/usr/bin/env bash
# The real kestrilon.exe under Wine, used as a user would: another program copies, the test reads
# the clipboard back. Run through the Wine harness (--native): it provides the display, the Wine
# prefix and $WINELOADER, and stops what it started.
#
#   clipboard-e2e.sh KESTRILON.EXE CLIPTOOL.EXE
set -uo pipefail

kestrilon_exe=${1:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE}
cliptool_exe=${2:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE}
. "$(dirname "$0")/lib.sh"

echo "== defaults"
if start_program; then
  expect_filtered "a copy gets a final CR LF" "abc" "abc$crlf"
  expect_filtered "every line break becomes CR LF" $'a\nb' "a${crlf}b$crlf"
  formats=" $(clip_formats) "
  extra=$(tr ' ' '\n' <<<"$formats" | grep -vxE '|1|7|13|16' | tr '\n' ' ')
  [[ -z $extra ]] && pass "the clipboard holds text only ($formats)" || fail "other formats remain: $extra"
  [[ $(clip_ansi) == "$(hex $'a\r\nb\r\n')" ]] && pass "ANSI readers get the same text" || fail "ANSI text: $(clip_ansi)"
  sleep 2
  [[ $(clip_text) == "$(hex "a${crlf}b$crlf")" ]] && pass "the program's own write is not filtered again" \
    || fail "the text changed again: $(clip_text)"

  tool copy-image >/dev/null
  sleep 1
  image_formats=" $(clip_formats) "
  expect_filtered "a later copy is filtered after an image" "z" "z$crlf"
  [[ $image_formats == *" 2 "* && $image_formats != *" 13 "* ]] && pass "an image alone is left alone" \
    || fail "image formats became: $image_formats"

  second_dir=$app_dir
  (cd "$second_dir" && exec "$WINELOADER" ./kestrilon.exe) &
  second=$!
  if poll 30 gone "$second"; then
    wait "$second"; status=$?
    [[ $status == 0 ]] && pass "a second instance ends at once with 0" || fail "second instance exit status $status"
  else
    kill "$second"; fail "a second instance kept running"
  fi
  expect_filtered "the first instance goes on filtering" "after" "after$crlf"

else
  fail "the program didn't start filtering"
fi

echo "== settings from the INI file"
group() {  # NAME KEYS... -- INPUT EXPECTED
  local name=$1; shift
  local keys=()
  while [[ $1 != -- ]]; do keys+=("$1"); shift; done
  shift
  if start_program "${keys[@]}"; then expect_filtered "$name" "$1" "$2"; else fail "$name: program didn't start"; fi
}
group "widths" NumberMode=1 AlphabetMode=1 SignMode=1 SpaceMode=1 -- "ＡＢＣ１２３（！）　ｘ" "ABC123(!) x$crlf"
group "kana" KanaMode1=1 -- "がっこう カタカナ" "ｶﾞｯｺｳ カタカナ$crlf"
group "html" TagDelete=1 RepAmp=1 RepLG=1 -- "<b>a&b</b> < c" "a&amp;b &lt; c$crlf"
group "tidy" Space2Tab=1 DelDmySpc=1 DelConma=1 UpDownCase=2 -- "a  b,c  " "A	BC	$crlf"
group "lines joined after 。 only" EnterDeleteMode=1 -- $'これは\nペンです。\nあれは' "これはペンです。${crlf}あれは"
group "characters outside code page 932 survive" AlphabetMode=1 -- "ＡＢ😀éß한〜" "AB😀éß한〜$crlf"
[[ $(clip_ansi) == "$(hex $'AB?????\r\n')" ]] && pass "ANSI readers get ? for them" || fail "ANSI text: $(clip_ansi)"

echo "== the end of the session"
if start_program NumberMode=2; then
  answers=$(tool end-session "$(hex Kestrilon)")
  [[ $answers == *1* && $answers != *0* ]] && pass "the session may end (answers: ${answers//$'\n'/ })" \
    || fail "the end-of-session query answered: ${answers//$'\n'/ }"
  if poll 20 gone "$program_pid"; then
    pass "the program ends"
    grep -q '^Form1Top=' "$app_dir/kestrilon.ini" && grep -q '^NumberMode=2' "$app_dir/kestrilon.ini" \
      && pass "the settings were saved first" || fail "INI after the session: $(tr '\r\n' '  ' <"$app_dir/kestrilon.ini")"
  else
    fail "the program kept running after the end of the session"
  fi
  program_pid=""
fi

echo "== a copy made on the X side (xclip)"
if command -v xclip >/dev/null && start_program NumberMode=1 AlphabetMode=1; then
  printf '%s' "ＡＢＣ１２３" | xclip -selection clipboard -i
  x_filtered() { [[ $(timeout 5 xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null) == "ABC123" ]]; }
  poll 30 x_filtered && pass "an X program's copy is filtered" \
    || fail "X side reads: $(timeout 5 xclip -selection clipboard -o 2>/dev/null | od -c | head -2)"
fi

stop_program
echo "$passed passed, $failed failed"
((failed == 0))
