# What the end-to-end tests share: a work folder, the clipboard tool, starting and stopping a
# fresh copy of the program, and pass/fail bookkeeping. Sourced by the test scripts, which set
# kestrilon_exe and cliptool_exe first and run under tests/wine/harness.sh --native.
: "${WINELOADER:?run me through tests/wine/harness.sh --native}"

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrilon-e2e.XXXXXX")
program_pid=""
# Ends the program as Windows would at log-off, so that the next one doesn't meet its guard.
stop_program() {
  if [[ -n $program_pid ]] && kill -0 "$program_pid" 2>/dev/null; then
    tool end-session "$(hex Kestrilon)" >/dev/null
    poll 20 gone "$program_pid" || { kill "$program_pid" 2>/dev/null; poll 20 gone "$program_pid"; }
  fi
  program_pid=""
}
trap 'stop_program; rm -rf "$work"' EXIT

passed=0 failed=0
pass() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAILED: $1"; failed=$((failed + 1)); }

poll() {  # SECONDS COMMAND...: true as soon as COMMAND succeeds, false at the deadline
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    ((SECONDS >= deadline)) && return 1
    sleep 0.2
  done
}
gone() { ! kill -0 "$1" 2>/dev/null; }
hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }
tool() { "$WINELOADER" "$work/cliptool.exe" "$@" 2>/dev/null | tr -d '\r'; }
clip_text() { tool read | sed -n 's/^text: //p'; }
clip_ansi() { tool read | sed -n 's/^ansi: //p'; }
clip_formats() { tool read | sed -n 's/^formats: //p'; }

cp "$cliptool_exe" "$work/cliptool.exe"
# The name the program reads (GetUserNameW): Wine takes it from USER when a process starts.
user=$("$WINELOADER" cmd /c echo %WINEUSERNAME% 2>/dev/null | tr -d '\r\n')

# Extra environment for the program's start, as NAME=VALUE words (the planted-DLL test's overrides).
program_env=()

# Starts a fresh copy of the program in its own folder (or the one in DIR with --in DIR), its INI
# file holding the given keys in the user's section (no INI file at all with --no-ini), and waits
# until it filters.
start_program() {
  stop_program
  local dir
  if [[ ${1:-} == --in ]]; then
    dir=$2  # the program as it lies there, unzipped say
    shift 2
  else
    dir="$work/app.$RANDOM"
    mkdir -p "$dir"
    cp "$kestrilon_exe" "$dir/kestrilon.exe"
  fi
  if [[ ${1:-} == --no-ini ]]; then
    shift
  else
    # The file is in code page 932, the user's name too.
    # ini_extra: more lines after the user's section (presets, say).
    { printf '[%s]\r\n' "$user"; for kv in "$@"; do printf '%s\r\n' "$kv"; done; printf '%s' "${ini_extra:-}"; } |
      iconv -f UTF-8 -t CP932 >"$dir/kestrilon.ini"
  fi
  app_dir=$dir
  # Ready once a probe comes back filtered: "probe" LF comes back changed whatever the
  # settings (its line break at least). A start that met the last program's guard has ended by
  # then: start again.
  local probe_sent attempt
  probe_sent=$(hex $'probe\n')
  probe_filtered() { local t; t=$(clip_text); [[ -n $t && $t != "$probe_sent" ]]; }
  for attempt in 1 2 3; do
    (cd "$dir" && exec env "${program_env[@]}" "$WINELOADER" ./kestrilon.exe) &
    program_pid=$!
    # Copied again and again: a copy made before the program joined the chain goes unseen.
    for _ in $(seq 1 15); do
      kill -0 "$program_pid" 2>/dev/null || break
      tool copy "$probe_sent" >/dev/null
      poll 2 probe_filtered && kill -0 "$program_pid" 2>/dev/null && return 0
    done
    if gone "$program_pid"; then
      wait "$program_pid"
      echo "  (start $attempt ended with status $?: the last program's guard was still there)"
    fi
    stop_program
    sleep 2
  done
  return 1
}

# Copies INPUT and waits (up to 20 s) until the clipboard reads EXPECTED. The sequence number
# alone can't tell: Wine's own X clipboard traffic raises it too.
expect_filtered() {  # NAME INPUT EXPECTED
  tool copy "$(hex "$2")" >/dev/null || { fail "$1: cannot copy"; return; }
  local want got
  want=$(hex "$3")
  reads_expected() { got=$(clip_text); [[ $got == "$want" ]]; }
  if poll 20 reads_expected; then pass "$1"; else fail "$1: got $got, want $want"; fi
}

crlf=$'\r\n'

# ---- the tray icon ----
icon_box() { tool tray-icons | head -1; }  # "x y w h" of the first (only) icon
has_icon() { [[ -n $(icon_box) ]]; }
no_icon() { ! has_icon; }
# The tray's own window is moved out of the dialog's way (a new dialog opens at 0,0).
move_tray() { tool move-tray 1000 700 >/dev/null; }
click_icon() {  # BUTTON [REPEAT]: clicks the middle of the icon
  local x y w h
  read -r x y w h <<<"$(icon_box)"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat "${2:-1}" --delay 80 "$1"
  # Away again, before the icon's tooltip comes up over it.
  xdotool mousemove 640 100
}

# ---- the menu ----
menu_shown() { tool menu >/dev/null; }
menu_gone() { ! menu_shown; }
choose() {  # KEY: pops up the tray menu and takes the item with that accelerator
  click_icon 3
  poll 10 menu_shown || return 1
  tool menu-key "$1"
  poll 10 menu_gone
}

# ---- what the shell opens ----
# The shell opens documents and addresses with the program the registry names for them: here
# cliptool, which writes what it was given to $opened.
opened="$work/opened.txt"
winpath() { "$WINELOADER" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
recorded() { [[ -s $opened ]]; }
register_recorder() {
  local recorder scheme
  recorder="\"$(winpath "$work/cliptool.exe")\" record \"$(winpath "$opened")\" \"%1\""
  "$WINELOADER" reg add 'HKCR\.pdf' /ve /d KestrilonTest.Document /f >/dev/null 2>&1
  "$WINELOADER" reg add 'HKCR\KestrilonTest.Document\shell\open\command' /ve /d "$recorder" /f >/dev/null 2>&1
  for scheme in http https; do
    "$WINELOADER" reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "$recorder" /f >/dev/null 2>&1
  done
}

# The manual command, chosen from the menu, asks the shell to open the kestrilon.pdf in DIR.
expect_manual_opens() {  # DIR
  rm -f "$opened"
  choose c
  if poll 20 recorded; then
    local want
    want=$(winpath "$1/kestrilon.pdf")
    [[ $(tr -d '\r' <"$opened") == "$want" ]] && pass "the manual command opens the kestrilon.pdf beside the program" \
      || fail "the shell was asked to open: $(cat "$opened"), want $want"
  else
    fail "the manual command opened nothing"
  fi
}
