#!/usr/bin/env bash
# `make run`: kestrilon.exe under Wine.
# - On the user's own X display (DISPLAY set and answering): the program runs there and filters
#   that desktop's clipboard until it is ended (Ctrl+C here, or the end of the X session).
# - Otherwise a demonstration on a private display (through the Wine harness): the program
#   starts with its dialog open, another program copies each line of the bundled sample, the text
#   before and after is shown, and the dialog's screenshot is saved in BUILD-DIR/run; then
#   everything stops.
# Usage: scripts/run-program.sh BUILD-DIR (the windows preset's folder)
set -euo pipefail
build=${1:?usage: $0 BUILD-DIR}
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$build/src/app/kestrilon.exe"
[[ -f $exe ]] || { echo "run: $exe is missing (make windows)"; exit 1; }

if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1 && [[ -z ${KESTRILON_DEMO:-} ]]; then
  # Settings go to kestrilon.ini beside the executable, as on Windows: keep them in build/run.
  mkdir -p "$build/run"
  cp "$exe" "$build/run/kestrilon.exe"
  echo "kestrilon.exe runs on $DISPLAY: copy Japanese text anywhere and paste it filtered."
  echo "Settings: $build/run/kestrilon.ini (written when the program ends). Ctrl+C ends it."
  export WINEPREFIX="$build/wine/user-prefix" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
  cd "$build/run" && exec wine ./kestrilon.exe
fi

mkdir -p "$build/run"
exec "$root/tests/wine/harness.sh" --build "$build" --native -- "$root/scripts/demo-clipboard.sh" "$exe" \
  "$root/samples/japanese.txt" "$(cd "$build/run" && pwd)/kestrilon-dialog.png"
