#!/usr/bin/env bash
# Runs one Windows program under Wine, the way every Windows test and the screenshot run:
#
#   harness.sh --build BUILD_DIR [--native] -- PROGRAM.exe [ARGS...]
#
# With --native, PROGRAM is a Linux program (a test script) run directly, in the same
# environment: it starts its Windows programs with "$WINELOADER" and drives the display itself.
#
# - a private WINEPREFIX (BUILD_DIR/wine/prefix), made once with wineboot;
# - a private Xvfb on a display number that Xvfb picks itself (-displayfd), so two harnesses never
#   race for one;
# - LANG=ja_JP.UTF-8, so the ANSI code page is 932; checked with a small program that prints
#   GetACP() before anything else runs, and the run fails loudly if it is not 932;
# - the Japanese UI faces of Windows (missing in Wine) mapped to the metric-compatible IPAPGothic;
# - one run at a time per prefix (a lock), because one wineserver serves the whole prefix;
# - on exit it stops only what it started: its program, its wineserver, its Xvfb, by their ids.
# Every wait polls a condition against a deadline. The program's exit status is the harness's.
#
# For a test that needs the display after the program started (xdotool, import), the variables
# KESTRILON_DISPLAY and KESTRILON_WINEPREFIX are exported to the program's environment.
set -euo pipefail

die() { echo "wine harness: $*" >&2; exit 125; }

build=""
native=0
while (($#)); do
  case "$1" in
    --build) build="${2:?--build needs a folder}"; shift 2 ;;
    --native) native=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[[ -n "$build" ]] || die "usage: harness.sh --build BUILD_DIR -- PROGRAM.exe [ARGS...]"
(($#)) || die "no program given"
build="$(cd "$build" && pwd)"
program="$1"; shift

# Deadlines, in seconds; generous for a loaded 2-core machine.
: "${KESTRILON_WINEBOOT_SECONDS:=300}"
: "${KESTRILON_LOCK_SECONDS:=1800}"
: "${KESTRILON_SETTLE_SECONDS:=60}"

wine_loader=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [[ -n "$candidate" && -x "$candidate" ]]; then wine_loader="$candidate"; break; fi
done
[[ -n "$wine_loader" ]] || die "wine is not installed (make deps)"
wine_server=""
for candidate in /usr/lib/wine/wineserver64 "$(command -v wineserver || true)"; do
  if [[ -n "$candidate" && -x "$candidate" ]]; then wine_server="$candidate"; break; fi
done
[[ -n "$wine_server" ]] || die "wineserver is not installed (make deps)"
command -v Xvfb >/dev/null || die "Xvfb is not installed (make deps)"
# Stands in for the dialog's face (see the prefix's settings below); without it Wine picks another.
fc-list -q IPAPGothic || die "the font IPAPGothic is not installed (make deps: fonts-ipafont-gothic)"

state="$build/wine"
mkdir -p "$state"
export WINEPREFIX="$state/prefix"
export WINELOADER="$wine_loader"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
unset LANGUAGE

# Wine's own fonts (Marlett for the caption buttons, Tahoma) where Debian puts them, which is not
# where Wine looks: made known through fontconfig, beside the system's fonts.
if [[ -z "${FONTCONFIG_FILE:-}" ]]; then
  for wine_fonts in /usr/share/wine/fonts /usr/lib/x86_64-linux-gnu/wine/fonts; do
    [[ -d "$wine_fonts" ]] || continue
    cat >"$state/fonts.conf.$$" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$wine_fonts</dir>
</fontconfig>
EOF
    mv -f "$state/fonts.conf.$$" "$state/fonts.conf"
    export FONTCONFIG_FILE="$state/fonts.conf"
    break
  done
fi

# poll SECONDS COMMAND...: true as soon as COMMAND succeeds, false when the deadline passes.
poll() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! kill -0 "$1" 2>/dev/null; }

xvfb_pid=""
server_pid=""
program_pid=""

stop_pid() {  # stop_pid PID SECONDS: TERM, wait, then KILL
  local pid=$1 seconds=$2
  [[ -n "$pid" ]] || return 0
  alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  poll "$seconds" gone "$pid" || kill -KILL "$pid" 2>/dev/null || true
}

cleanup() {
  local status=$?
  set +e
  stop_pid "$program_pid" 5
  if [[ -n "$server_pid" ]] && alive "$server_pid"; then
    # Wine's helper processes end by themselves once the last program is gone, and then the
    # server does (it was started with a short persistence). Only if that doesn't happen in
    # time is the server told to end them; it serves this private, locked prefix alone.
    if ! poll "$KESTRILON_SETTLE_SECONDS" gone "$server_pid"; then
      "$wine_server" -k 2>/dev/null
      poll 10 gone "$server_pid" || kill -KILL "$server_pid" 2>/dev/null
    fi
  fi
  stop_pid "$xvfb_pid" 5
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# One harness per prefix at a time.
# Every process started below closes this descriptor: a Wine service that outlived a killed run
# would otherwise keep the prefix locked for good.
exec {lock_fd}>"$state/lock"
flock -w "$KESTRILON_LOCK_SECONDS" "$lock_fd" || die "the Wine prefix $WINEPREFIX stayed busy for ${KESTRILON_LOCK_SECONDS}s"

# A server left over from an interrupted run of this prefix: let it end first.
"$wine_server" -w 2>/dev/null {lock_fd}>&- &
leftover_wait=$!
poll 30 gone "$leftover_wait" || { kill "$leftover_wait" 2>/dev/null; die "a wineserver of $WINEPREFIX from an earlier run is still busy"; }

# Private X display; Xvfb chooses a free number and writes it to the pipe.
display_file="$state/display.$$"
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$display_file" \
  >"$state/xvfb.log" 2>&1 {lock_fd}>&- &
xvfb_pid=$!
# Xvfb ends the number with a line break once it listens.
display_ready() { [[ -s "$display_file" ]] && (($(wc -l <"$display_file") >= 1)); }
poll 30 display_ready || die "Xvfb didn't report a display in 30s (see $state/xvfb.log)"
display_number="$(head -n1 "$display_file")"
rm -f "$display_file"
export DISPLAY=":$display_number"
export KESTRILON_DISPLAY="$DISPLAY" KESTRILON_WINEPREFIX="$WINEPREFIX"

need_boot=0
if [[ ! -f "$WINEPREFIX/system.reg" || ! -f "$state/prefix.ready" ]]; then
  need_boot=1
  rm -rf "$WINEPREFIX" "$state/prefix.ready"
fi
mkdir -p "$WINEPREFIX"

# Our own wineserver, in the foreground so that its id is known; it ends 2 s after the last
# program of the prefix. Programs must find it listening, or they would start another one.
# The server's socket: server-<device>-<inode of the prefix> in /tmp/.wine-<uid>, or (Debian) in
# the /tmp folder that the prefix's "wineserver" file names.
server_dir="server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")"
server_listening() {
  [[ -S "/tmp/.wine-$(id -u)/$server_dir/socket" ]] && return 0
  [[ -f "$WINEPREFIX/wineserver" ]] && [[ -S "/tmp/$(cat "$WINEPREFIX/wineserver")/$server_dir/socket" ]]
}
"$wine_server" -f -p2 >"$state/wineserver.log" 2>&1 {lock_fd}>&- &
server_pid=$!
server_ready() { server_listening || gone "$server_pid"; }
poll 30 server_ready || die "the wineserver didn't start listening in 30s (see $state/wineserver.log)"
gone "$server_pid" && die "the wineserver ended at once (see $state/wineserver.log)"

if ((need_boot)); then
  echo "wine harness: making the Wine prefix $WINEPREFIX (once)" >&2
  "$wine_loader" wineboot --init >"$state/wineboot.log" 2>&1 {lock_fd}>&- &
  boot_pid=$!
  poll "$KESTRILON_WINEBOOT_SECONDS" gone "$boot_pid" || {
    stop_pid "$boot_pid" 5
    die "wineboot didn't finish in ${KESTRILON_WINEBOOT_SECONDS}s (see $state/wineboot.log)"
  }
  wait "$boot_pid" || die "wineboot failed (see $state/wineboot.log)"
fi
# Settings of the private prefix, applied again when they change (the number below).
prefix_settings=3
if [[ "$(cat "$state/prefix.ready" 2>/dev/null)" != "$prefix_settings" ]]; then
  # No window manager runs on the private display: Wine draws the frames and captions itself and
  # doesn't wait for a window manager to confirm that a window was hidden.
  for value in Decorated Managed; do
    "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d N /f \
      >>"$state/settings.log" 2>&1 || die "cannot set up the Wine prefix (see $state/settings.log)"
  done
  # The dialog was laid out for the Japanese UI face of Windows, which Wine lacks; IPAPGothic has
  # its metrics, so under both of its names captions measure as they do on Windows. It also
  # stands in for the face of menus and title bars, which would otherwise be a fixed-pitch one.
  for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
    "$wine_loader" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d IPAPGothic /f \
      >>"$state/settings.log" 2>&1 || die "cannot set up the Wine prefix (see $state/settings.log)"
  done
  echo "$prefix_settings" >"$state/prefix.ready"
fi

# The ANSI code page must be 932, or every Shift-JIS test means nothing.
acp_probe="$build/tests/wine/acp-probe.exe"
[[ -f "$acp_probe" ]] || die "$acp_probe is missing (build the windows preset)"
"$wine_loader" "$acp_probe" >"$state/acp.out" 2>/dev/null {lock_fd}>&- &
probe_pid=$!
poll 120 gone "$probe_pid" || { stop_pid "$probe_pid" 5; die "the code page probe didn't end in 120s"; }
wait "$probe_pid" || true
acp="$(tr -d '\r\n' <"$state/acp.out")"
if [[ "$acp" != "932" ]]; then
  die "GetACP() is '${acp:-nothing}', not 932, under LANG=$LANG. Is the ja_JP.UTF-8 locale generated (make deps)?"
fi

set +e
if ((native)); then
  "$program" "$@" {lock_fd}>&- &
else
  "$wine_loader" "$program" "$@" {lock_fd}>&- &
fi
program_pid=$!
wait "$program_pid"
status=$?
program_pid=""
set -e
exit "$status"
