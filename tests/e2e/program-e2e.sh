#!/usr/bin/env bash
# The whole program as a user meets it under Wine: the tray icon clicked with xdotool in Wine's
# system tray, the dialog driven through its controls, the menu through its accelerator keys, the
# INI file read back. Run through the Wine harness (--native).
#
#   program-e2e.sh KESTRILON.EXE CLIPTOOL.EXE [SCREENSHOT-DIR]
# With SCREENSHOT-DIR, the dialog's three pages (the exclusion page also at 144 dpi), the tray
# menu and the About box are saved there as PNG files.
set -uo pipefail

kestrilon_exe=${1:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE [SCREENSHOT-DIR]}
cliptool_exe=${2:?usage: $0 KESTRILON.EXE CLIPTOOL.EXE [SCREENSHOT-DIR]}
shots=${3:-}
. "$(dirname "$0")/lib.sh"
[[ -n $shots ]] && mkdir -p "$shots"

icon_picture() {  # FILE: the icon's pixels as raw RGB
  local x y w h
  read -r x y w h <<<"$(icon_box)"
  [[ -n ${h:-} ]] && import -window root -crop "${w}x${h}+${x}+${y}" "rgb:$1" 2>/dev/null
}
differing() { cmp -l "$1" "$2" 2>/dev/null | wc -l; }  # bytes that differ between two pictures
# Wine's tray paints a new icon over the old one without clearing it, so a few pixels of the last
# picture may remain: a picture is told by which known one it is nearer.
shows_other_than() {  # PICTURE: the icon now differs from it in more than a quarter of its bytes
  icon_picture "$work/now.rgb" && (($(differing "$work/now.rgb" "$1") > $(stat -c %s "$1") / 4))
}
shows_nearer() {  # PICTURE OTHER: the icon now is nearer PICTURE than OTHER
  icon_picture "$work/now.rgb" && (($(differing "$work/now.rgb" "$1") < $(differing "$work/now.rgb" "$2")))
}

# ---- the dialog ----
form_state() { tool forms | head -1; }  # "visible x y w h"
dialog_shown() { [[ $(form_state) == 1\ * ]]; }
dialog_hidden() { [[ $(form_state) == 0\ * ]]; }
click() {  # TEXT...: the control reached through windows with these texts, in the visible dialog
  local path=() t
  for t in "$@"; do path+=("$(hex "$t")"); done
  "$WINELOADER" "$work/cliptool.exe" click "${path[@]}" 2>&1 | tr -d '\r' | grep . && fail "cannot click $*"
  return 0
}
ini_has() { tr -d '\r' <"$app_dir/kestrilon.ini" 2>/dev/null | grep -qx "$1"; }
shoot() {  # NAME X Y W H: a PNG of that part of the screen, when screenshots are asked for
  [[ -n $shots ]] || return 0
  import -window root -crop "$4x$5+$2+$3" "$shots/$1.png" && echo "   screenshot: $shots/$1.png"
}
shoot_dialog() { local v x y w h; read -r v x y w h <<<"$(form_state)"; shoot "$1" "$x" "$y" "$w" "$h"; }

# ---- the shortcut in the Startup folder ----
appdata=$("$WINELOADER" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r\n')
# Wine names the folder "StartUp"; Linux tells the cases apart.
programs="$("$WINELOADER" winepath -u "$appdata" 2>/dev/null | tr -d '\r')/Microsoft/Windows/Start Menu/Programs"
shortcut() { find "$programs" -maxdepth 2 -ipath '*/startup/kestrilon.lnk' 2>/dev/null | head -1; }
[[ -n $(shortcut) ]] && rm -f "$(shortcut)"
shortcut_made() { [[ -s $(shortcut) ]]; }
shortcut_gone() { [[ -z $(shortcut) ]]; }

echo "== first start, no INI file"
if start_program --no-ini && poll 20 has_icon; then
  move_tray
  sleep 1
  dialog_hidden && pass "no window is shown" || fail "the dialog: $(form_state)"
  [[ $(tool tray-icons | wc -l) == 1 ]] && pass "the tray icon is there" || fail "tray icons: $(tool tray-icons)"
  active="$work/active.rgb" paused="$work/paused.rgb"
  icon_picture "$active"

  echo "== pause with a left click"
  click_icon 1
  if poll 10 shows_other_than "$active"; then pass "a left click changes the picture"; else fail "the picture stayed"; fi
  icon_picture "$paused"
  tool copy "$(hex 'left alone')" >/dev/null
  sleep 2
  [[ $(clip_text) == "$(hex 'left alone')" ]] && pass "a copy is left alone while paused" \
    || fail "a copy was changed while paused: $(clip_text)"
  click_icon 1
  poll 10 shows_nearer "$active" "$paused" && pass "a second click brings the first picture back" \
    || fail "the picture didn't come back"
  expect_filtered "and filtering resumes" "again" "again$crlf"
  click_icon 3
  poll 10 menu_shown && pass "the right button pops up the menu" || fail "no menu"
  tool menu-key Escape
  poll 10 menu_gone || fail "Escape didn't close the menu"
  sleep 1
  shows_nearer "$active" "$paused" && expect_filtered "the right button doesn't pause" "right" "right$crlf" \
    || fail "the right button changed the picture"

  echo "== the dialog"
  click_icon 1 2
  poll 10 dialog_shown && pass "a double click opens the dialog" || fail "no dialog after a double click"
  sleep 1
  shows_nearer "$active" "$paused" && expect_filtered "a double click doesn't pause" "double" "double$crlf" \
    || fail "a double click changed the picture"
  sleep 1
  shoot_dialog screenshot-basic
  click 数字 半角
  expect_filtered "a changed option acts on the next copy at once" "１２３" "123$crlf"
  click キャンセル
  poll 10 dialog_hidden && pass "Cancel hides the dialog" || fail "the dialog stayed after Cancel"
  expect_filtered "Cancel takes the change back" "１２３" "１２３$crlf"
  [[ ! -e $app_dir/kestrilon.ini ]] && pass "Cancel writes nothing" || fail "Cancel wrote the INI file"

  choose o
  poll 10 dialog_shown && pass "the menu's options command opens the dialog" || fail "no dialog from the menu"
  click 数字 半角
  click OK
  poll 10 dialog_hidden && pass "OK hides the dialog" || fail "the dialog stayed after OK"
  ini_has NumberMode=1 && pass "OK writes the option to the INI file" || fail "INI after OK: $(tr '\r\n' '  ' <"$app_dir/kestrilon.ini")"
  expect_filtered "and it stays in force" "４５" "45$crlf"

  click_icon 1 2
  poll 10 dialog_shown
  if tool select-page 1; then
    sleep 1
    shoot_dialog screenshot-extend
    click HTML関連 "HTML/XMLなどのタグを除去"
    expect_filtered "options of the second page act too" "<b>bold</b>" "bold$crlf"

    echo "== start with Windows"
    click "Windowsの起動時に起動する"
    poll 10 shortcut_made && pass "the box puts a shortcut in the Startup folder" || fail "no shortcut under $programs"
    tr -d '\0' <"$(shortcut)" | grep -qai 'kestrilon\.exe' && pass "the shortcut leads to kestrilon.exe" || fail "the shortcut names no kestrilon"
    click "Windowsの起動時に起動する"
    poll 10 shortcut_gone && pass "unchecked, it removes the shortcut" || fail "the shortcut stayed"
  else
    fail "cannot show the second page"
  fi
  if tool select-page 2; then
    sleep 1
    shoot_dialog screenshot-exclude
  else
    fail "cannot show the exclusion page"
  fi
  click キャンセル
  poll 10 dialog_hidden

  echo "== About"
  click_icon 3
  if poll 10 menu_shown; then
    sleep 0.5
    read -r x y w h <<<"$(tool menu)"
    shoot screenshot-menu "$x" "$y" "$w" "$h"
    tool menu-key a
  fi
  if poll 10 menu_gone; then
    about_shown() { tool find-text "$(hex 'FileVersion : 1.0.5.19')" >/dev/null; }
    if poll 10 about_shown; then
      pass "the About box shows the version line"
      read -r handle x y w h <<<"$(tool find-text "$(hex 'FileVersion : 1.0.5.19')")"
      sleep 1
      shoot screenshot-about "$x" "$y" "$w" "$h"
      tool close-window "$handle" >/dev/null
      about_gone() { ! about_shown; }
      poll 10 about_gone || fail "the About box didn't close"
    else
      fail "no About box with the version line"
    fi
  else
    fail "the menu for About didn't work"
  fi

  echo "== the close box"
  click_icon 1 2
  poll 10 dialog_shown
  tool select-page 0
  click 英字 全角
  tool system-close >/dev/null
  if poll 20 gone "$program_pid"; then
    pass "the close box ends the program"
    ini_has AlphabetMode=2 && pass "and saves the unconfirmed edit" || fail "INI after close: $(tr '\r\n' '  ' <"$app_dir/kestrilon.ini")"
    poll 10 no_icon && pass "the tray icon goes with it" || fail "the tray icon stayed"
  else
    fail "the program kept running after the close box"
  fi
  program_pid=""
else
  fail "the program didn't start, or no tray icon"
fi

echo "== the dialog at start, at its saved place"
if start_program ShowForm=1 Form1Top=120 Form1Left=150 && poll 20 has_icon; then
  move_tray
  read -r v x y w h <<<"$(form_state)"
  [[ $v == 1 && $x == 150 && $y == 120 ]] && pass "ShowForm shows the dialog at 150,120" || fail "the dialog: $(form_state)"
  click OK
  poll 10 dialog_hidden

  echo "== the manual, the home page, and exit"
  register_recorder

  rm -f "$opened"
  choose c
  sleep 3
  ! recorded && dialog_hidden && pass "without a manual beside the program, its command does nothing visible" \
    || fail "missing manual: $(cat "$opened" 2>/dev/null) $(form_state)"
  printf '%%PDF-1.4\n' >"$app_dir/kestrilon.pdf"
  expect_manual_opens "$app_dir"
  rm -f "$opened"
  choose w
  if poll 20 recorded; then
    [[ $(tr -d '\r' <"$opened") == https://* ]] && pass "the web-site command opens the home page ($(cat "$opened"))" \
      || fail "the web-site command opened: $(cat "$opened")"
  else
    fail "the web-site command opened nothing"
  fi

  choose x
  if poll 20 gone "$program_pid"; then
    pass "the exit command ends the program"
    ini_has ShowForm=1 && ini_has Form1Left=150 && pass "and saves the settings" \
      || fail "INI after exit: $(tr '\r\n' '  ' <"$app_dir/kestrilon.ini")"
  else
    fail "the program kept running after the exit command"
  fi
  program_pid=""
else
  fail "the program didn't start with ShowForm"
fi

echo "== undo"
if start_program TagDelete=1 && poll 20 has_icon; then
  move_tray
  original=$'<b>bold</b> 😀 ｶﾅ\nnext line'
  expect_filtered "a copy with a tag" "$original" "bold 😀 ｶﾅ${crlf}next line$crlf"
  choose u
  expect_filtered_now() { [[ $(clip_text) == "$(hex "$original")" ]]; }
  poll 10 expect_filtered_now && pass "undo puts back the copy byte for byte" || fail "after undo: $(clip_text)"
  sleep 2
  expect_filtered_now && pass "and it stays unfiltered" || fail "the original was filtered again: $(clip_text)"
  expect_filtered "the next copy is filtered" "<i>it</i>" "it$crlf"

  echo "== a copy that filtering leaves as it was"
  tool copy-marked "$(hex "plain$crlf")" "Rich Text Format" 1
  before=$(tool sequence); sleep 2; after=$(tool sequence)
  [[ $before == "$after" ]] && pass "the clipboard isn't written" || fail "the sequence number moved from $before to $after"
  (($(wc -w <<<"$(clip_formats)") >= 2)) && pass "the copying program's other format stays" \
    || fail "formats left: $(clip_formats)"
else
  fail "the program didn't start with TagDelete"
fi

echo "== excluded programs"
cp "$work/cliptool.exe" "$work/EXCEL.EXE"
if start_program ExcludePrograms=EXCEL.EXE NumberMode=1; then
  copy_as() {  # PROGRAM TEXT: a copy owned by a window of that program, kept while the test looks
    "$WINELOADER" "$work/$1" copy-owned "$(hex "$2")" 6000 >"$work/owned.log" 2>/dev/null &
    owner_pid=$!
    poll 10 grep -q copied "$work/owned.log"
  }
  copy_as EXCEL.EXE "１２３"
  before=$(tool sequence); sleep 2; after=$(tool sequence)
  [[ $(clip_text) == "$(hex "１２３")" && $before == "$after" ]] && pass "a copy made by EXCEL.EXE is left alone" \
    || fail "EXCEL.EXE's copy: $(clip_text)"
  wait "$owner_pid"
  copy_as cliptool.exe "４５６"
  filtered_456() { [[ $(clip_text) == "$(hex "456$crlf")" ]]; }
  poll 10 filtered_456 && pass "the same program under its own name is filtered" || fail "cliptool's copy: $(clip_text)"
  wait "$owner_pid"
else
  fail "the program didn't start with an exclusion"
fi

echo "== users whose names hold the bytes of ], [ and \\ (江口: 8D 5D, ソニー: 83 5C 83 6A 81 5B)"
for name in 江口 ソニー; do
  user=$name
  program_env=(USER="$name")
  if start_program NumberMode=1 RepAmp=1; then
    expect_filtered "$name: filters with the user's own settings" "１&" "1&amp;$crlf"
    choose x
    if poll 20 gone "$program_pid"; then
      section=$(iconv -f CP932 -t UTF-8 <"$app_dir/kestrilon.ini" | tr -d '\r' | sed -n "/^\[$name\]\$/,/^\[/p")
      grep -qx NumberMode=1 <<<"$section" && grep -qx 'ExcludePrograms=' <<<"$section" &&
        (($(grep -c = <<<"$section") >= 23)) && pass "$name: the exit command saves every setting in the user's section" \
        || fail "$name: the INI file after exit: $(tr '\r\n' '  ' <"$app_dir/kestrilon.ini" | iconv -f CP932 -t UTF-8)"
    else
      fail "$name: the program kept running after the exit command"
    fi
    program_pid=""
  else
    fail "$name: the program didn't start"
  fi
done
user=$("$WINELOADER" cmd /c echo %WINEUSERNAME% 2>/dev/null | tr -d '\r\n')
program_env=()

echo "== the keys that act from anywhere"
# Another program holds Ctrl+Alt+Shift+F, the filter-now key, before the start: 使用中 shows beside
# it (a label has no window: told by its dark pixels against the empty place beside another key).
held_log="$work/held.txt"
"$WINELOADER" "$work/cliptool.exe" hold-key 7 70 60 >"$held_log" 2>/dev/null &
holder=$!
poll 20 grep -q held "$held_log"
dark() {  # X Y: the share of dark pixels in the 64x20 place at X,Y of the dialog
  local v fx fy fw fh
  read -r v fx fy fw fh <<<"$(form_state)"
  import -window root -crop "64x20+$((fx + $1))+$((fy + $2))" png:- 2>/dev/null |
    convert png:- -colorspace gray -threshold 50% -format '%[fx:1-mean]' info: 2>/dev/null
}
if start_program ShowForm=1 Form1Top=10 Form1Left=10 && poll 10 dialog_shown && tool select-page 5; then
  sleep 1
  shoot_dialog screenshot-keys
  # The labels beside the filter-now key and the swap key, at 320,69 and 320,39 of the page.
  held_dark=$(dark 324 113) free_dark=$(dark 324 83)
  awk -v a="$held_dark" -v b="$free_dark" 'BEGIN { exit !(a > b + 0.05) }' \
    && pass "a key another program holds shows 使用中, and the program goes on" \
    || fail "no 使用中 beside the held key (dark $held_dark against $free_dark)"
else
  fail "the program didn't show its keys page"
fi
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

echo "== the keys pressed in another program's window"
if start_program RepAmp=1 PauseKey=Ctrl+Alt+Shift+P; then
  edit_log="$work/edit.txt"
  "$WINELOADER" "$work/cliptool.exe" edit-window 60 >"$edit_log" 2>/dev/null &
  editor=$!
  poll 20 grep -q shown "$edit_log"
  press() { xdotool key --clearmodifiers "$1"; }
  clip_is() { [[ $(clip_text) == "$(hex "$1")" ]]; }
  expect_filtered "a copy is filtered" "a&b" "a&amp;b$crlf"
  press ctrl+alt+shift+z
  poll 10 clip_is "a&b" && pass "the swap key puts back the copy as it was" || fail "after the swap key: $(clip_text)"
  press ctrl+alt+shift+z
  poll 10 clip_is "a&amp;b$crlf" && pass "and again the filtered text" || fail "after the second swap: $(clip_text)"
  press ctrl+alt+shift+p
  tool copy "$(hex 'x&y')" >/dev/null
  sleep 2
  clip_is "x&y" && pass "the pause key pauses" || fail "paused by key, the copy became $(clip_text)"
  press ctrl+alt+shift+v
  sleep 3
  clip_is "x&y" && pass "paste-filtered leaves the clipboard as it was" || fail "after paste-filtered: $(clip_text)"
  press ctrl+alt+shift+f
  poll 10 clip_is "x&amp;y$crlf" && pass "the filter-now key filters while paused" || fail "after filter now: $(clip_text)"
  press ctrl+alt+shift+p
  expect_filtered "the pause key resumes" "c&d" "c&amp;d$crlf"
  tool close-window "$(tr -d '\r' <"$edit_log" | sed -n 's/^shown //p')" >/dev/null
  wait "$editor"
  pasted=$(tr -d '\r' <"$edit_log" | sed -n 's/^text: //p')
  [[ $pasted == "$(hex "x&amp;y$crlf")" ]] && pass "paste-filtered puts the filtered text into the focused edit box" \
    || fail "the edit box holds $pasted"
  stop_program
else
  fail "the program didn't start with its keys"
fi

echo "== presets, and a preset per program"
# Two presets in their own sections beside the user's; cliptool's copies follow 大文字 [江].
presets_ini=$'\r\n'"[$user:Presets]"$'\r\n'"Active="$'\r\n\r\n'
presets_ini+="[$user:Preset:%E5%A4%A7%E6%96%87%E5%AD%97 [%E6%B1%9F]]"$'\r\n'"UpDownCase=2"$'\r\n\r\n'
presets_ini+="[$user:Preset:%E5%B0%8F%E6%96%87%E5%AD%97]"$'\r\n'"UpDownCase=1"$'\r\n\r\n'
presets_ini+="[$user:Programs]"$'\r\n'"cliptool.exe=%E5%A4%A7%E6%96%87%E5%AD%97 [%E6%B1%9F]"$'\r\n'
ini_extra=$presets_ini
if start_program ExcludePrograms=EXCEL.EXE ShowForm=1 Form1Top=10 Form1Left=10 && poll 10 dialog_shown; then
  for page in "2 screenshot-exclude" "3 screenshot-presets" "4 screenshot-try"; do
    tool select-page "${page% *}" && sleep 1 && shoot_dialog "${page#* }"
  done
  click キャンセル
  poll 10 dialog_hidden
  tool copy-owned "$(hex "Mixed")" 1000 >/dev/null
  upper() { [[ $(clip_text) == "$(hex "MIXED$crlf")" ]]; }
  poll 10 upper && pass "a copy from a program given a preset is filtered by that preset" || fail "cliptool's copy: $(clip_text)"
  expect_filtered "a copy from another program by the active settings" "Mixed" "Mixed$crlf"
  click_icon 3
  poll 10 menu_shown && tool menu-key p && sleep 1 && tool menu-key Down && sleep 0.5 && tool menu-key Return
  poll 10 menu_gone
  expect_filtered "a preset chosen from the tray menu changes the next copy" "Mixed" "mixed$crlf"
  stop_program
  ini_has "Active=%E5%B0%8F%E6%96%87%E5%AD%97" && pass "and it is saved" || fail "the INI file: $(tr '\r\n' '  ' <"$app_dir/kestrilon.ini")"
else
  fail "the program didn't start with its presets"
fi
ini_extra=

echo "== at 144 pixels per inch"
set_dpi() {
  "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
set_dpi 144
ini_extra=$presets_ini
if start_program ExcludePrograms=EXCEL.EXE ShowForm=1 Form1Top=10 Form1Left=10; then
  read -r v x y w h <<<"$(form_state)"
  # The client area of 400 by 309 at 96 becomes 600 by 464, with the frame around it.
  ((v == 1 && w >= 600 && w < 640 && h >= 464 && h < 520)) && pass "the dialog scales with the density (${w}x${h})" \
    || fail "the dialog at 144 dpi: $(form_state)"
  [[ -n $shots ]] && shoot screenshot-144dpi "$x" "$y" "$w" "$h"
  if [[ -n $shots ]]; then
    for page in "2 screenshot-exclude-144dpi" "3 screenshot-presets-144dpi" "4 screenshot-try-144dpi"; do
      tool select-page "${page% *}" && sleep 1 && shoot "${page#* }" "$x" "$y" "$w" "$h"
    done
  fi
  stop_program
else
  fail "the program didn't start at 144 dpi"
fi
ini_extra=
set_dpi 96

# Last: the end of the session reaches every program of the prefix.
echo "== the end of the session with an INI file that can't be written"
if start_program UpDownCase=2; then
  chmod a-w "$app_dir/kestrilon.ini"
  "$WINELOADER" wineboot --end-session >/dev/null 2>&1 &
  ender=$!
  if poll 30 gone "$program_pid"; then
    pass "wineboot --end-session ends the program at once, its settings unsaveable"
    program_pid=""
  else
    tool find-window "$(hex "Can not save to IniFile")" >/dev/null && fail "a box holds up the end of the session" \
      || fail "the program kept running at the end of the session"
  fi
  wait "$ender"
  chmod u+w "$app_dir/kestrilon.ini"
else
  fail "the program didn't start"
fi

stop_program
echo "$passed passed, $failed failed"
((failed == 0))
