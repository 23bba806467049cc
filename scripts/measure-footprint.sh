#!/usr/bin/env bash
# The program's footprint under Wine, as the README reports it: the executable's size, the time
# from start to the first filtered copy, working set, private memory and handles when idle, and
# the CPU time used while idle (nothing polls, so it should stay where it was).
# Usage: scripts/measure-footprint.sh BUILD-DIR [IDLE-SECONDS]   (default 600: ten minutes)
set -euo pipefail
build=${1:?usage: $0 BUILD-DIR [IDLE-SECONDS]}
idle=${2:-600}
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$build/src/app/kestrilon.exe"
tool="$build/tests/e2e/cliptool.exe"
for f in "$exe" "$tool"; do [[ -f $f ]] || { echo "footprint: $f is missing (build the windows preset)"; exit 1; }; done

if [[ -z ${WINELOADER:-} ]]; then
  exec "$root/tests/wine/harness.sh" --build "$build" --native -- "$0" "$build" "$idle"
fi

kestrilon_exe=$exe cliptool_exe=$tool
. "$root/tests/e2e/lib.sh"

stripped="$work/stripped.exe"
x86_64-w64-mingw32-strip -o "$stripped" "$exe"
echo "executable: $(stat -c %s "$exe") bytes as built, $(stat -c %s "$stripped") stripped (as shipped)"

start=$(date +%s.%N)
start_program --no-ini || { echo "footprint: the program didn't start"; exit 1; }
ready=$(date +%s.%N)
awk -v a="$start" -v b="$ready" 'BEGIN { printf "start to the first filtered copy: %.2f s (Wine starting the process included)\n", b - a }'

sleep 10
read -r ws private handles cpu0 <<<"$(tool process-info)"
echo "idle: working set $ws KB, private $private KB, $handles handles, CPU so far $cpu0 ms"
# For scale: what Wine itself costs a program that only shows a window.
"$WINELOADER" notepad >/dev/null 2>&1 &
notepad=$!
notepad_up() { tool process-info Notepad >/dev/null; }
if poll 20 notepad_up; then
  sleep 5
  read -r nws _ _ _ <<<"$(tool process-info Notepad)"
  echo "for scale, Wine's notepad.exe idle: working set $nws KB"
fi
kill "$notepad" 2>/dev/null || true
wait "$notepad" 2>/dev/null || true  # it ends by the signal
# The kernel's own count for the Linux process that runs the program, beside Wine's.
unix_pid=$(pgrep -f 'kestrilon\.exe' | tail -1 || true)
ticks() { [[ -n $unix_pid ]] && awk '{ print $14 + $15 }' "/proc/$unix_pid/stat" 2>/dev/null || echo "?"; }
ticks0=$(ticks)
echo "waiting $idle s, touching nothing..."
sleep "$idle"
read -r ws2 private2 handles2 cpu1 <<<"$(tool process-info)"
ticks1=$(ticks)
echo "after $idle s idle: CPU time used $((cpu1 - cpu0)) ms as Wine reports it;" \
  "the kernel counted $ticks0 -> $ticks1 ticks of $((1000 / $(getconf CLK_TCK))) ms for its process;" \
  "working set $ws2 KB, private $private2 KB, $handles2 handles"
