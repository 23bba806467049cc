#!/usr/bin/env bash
# The release zip as a user gets it: unpacked into a fresh folder under Wine, the program started
# from there filters a copy, its manual command asks the shell to open the kestrilon.pdf beside
# it, and the command-line tool beside it works. Run through the Wine harness (--native).
#
#   dist-e2e.sh KESTRILON-VERSION.ZIP CLIPTOOL.EXE
set -uo pipefail

zip=${1:?usage: $0 KESTRILON-VERSION.ZIP CLIPTOOL.EXE}
cliptool_exe=${2:?usage: $0 KESTRILON-VERSION.ZIP CLIPTOOL.EXE}
kestrilon_exe=""  # the program comes from the zip
. "$(dirname "$0")/lib.sh"

echo "== unpacking $(basename "$zip")"
unzip -q "$zip" -d "$work/unpacked" || { fail "cannot unzip"; exit 1; }
folder=$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -1)
for f in kestrilon.exe kestrilon.pdf kestrilon-filter.exe README.txt LICENSE; do
  [[ -s $folder/$f ]] && pass "$f is in $(basename "$folder")/" || fail "$f is missing from the zip"
done

echo "== the program from the unpacked folder"
if start_program --in "$folder" --no-ini && poll 20 has_icon; then
  move_tray
  pass "it starts, with its tray icon"
  expect_filtered "it filters a copy" $'ＡＢＣ\nabc' "ＡＢＣ${crlf}abc$crlf"
  register_recorder
  expect_manual_opens "$folder"
  choose x
  poll 20 gone "$program_pid" && pass "the exit command ends it" || fail "it kept running after exit"
  program_pid=""
  [[ -s $folder/kestrilon.ini ]] && pass "its settings are written beside it" || fail "no kestrilon.ini beside it"
else
  fail "the unpacked program didn't start"
fi

echo "== the command-line tool beside it"
got=$(printf '%s' "ＡＢＣ１２３" | "$WINELOADER" "$folder/kestrilon-filter.exe" --set NumberMode=1 --set AlphabetMode=1 2>/dev/null | tr -d '\r')
[[ $got == "ABC123" ]] && pass "kestrilon-filter.exe filters" || fail "kestrilon-filter.exe gave: $got"

stop_program
echo "$passed passed, $failed failed"
((failed == 0))
