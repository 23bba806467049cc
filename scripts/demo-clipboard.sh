#!/usr/bin/env bash
# The demonstration of `make run` without a display of the user's: on the harness's private
# display, kestrilon.exe filters what another program (xclip) copies, line by line; its options
# dialog is open meanwhile, and a screenshot of it is saved to SCREENSHOT.png.
set -euo pipefail
exe=${1:?usage: $0 KESTRILON.EXE SAMPLE.txt [SCREENSHOT.png]}
sample=${2:?}
shot=${3:-}
: "${WINELOADER:?run me through tests/wine/harness.sh --native}"

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrilon-demo.XXXXXX")
pid=""
trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
cp "$exe" "$work/kestrilon.exe"
settings=(NumberMode=1 AlphabetMode=1 SignMode=1 SpaceMode=1 KanaMode2=2 TagDelete=1 DelDmySpc=1
          ShowForm=1 Form1Top=40 Form1Left=40)
user=$("$WINELOADER" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r\n')
{ printf '[%s]\r\n' "$user"; printf '%s\r\n' "${settings[@]}"; } >"$work/kestrilon.ini"
(cd "$work" && exec "$WINELOADER" ./kestrilon.exe) &
pid=$!

echo "kestrilon.exe runs under Wine on a private display, with: ${settings[*]}"
echo "Each line is copied by another program (xclip) and read back after the copy:"
echo
# Keeps a final line break (the program ends every text with one), so that a filtered line that
# reads the same is still told from the copy.
paste_now() { local t; t=$(timeout 5 xclip -selection clipboard -o 2>/dev/null; echo x); printf '%s' "${t%x}"; }
changed=0
while IFS= read -r line; do
  [[ -z $line ]] && continue
  printf '%s' "$line" | xclip -selection clipboard -i
  got=""
  for _ in $(seq 1 50); do  # up to 10 s, the first time Wine starts the program
    got=$(paste_now)
    [[ -n $got && $got != "$line" ]] && break
    sleep 0.2
  done
  printf '  copied: %s\n  pasted: %s\n\n' "$line" "${got%$'\n'}"
  [[ ${got%$'\n'} != "$line" ]] && changed=$((changed + 1))
done <"$sample"
echo "$changed lines changed; every line came back with its line break made CR LF."
if [[ -n $shot ]]; then
  # The dialog has been open since the start (ShowForm=1); its X window carries its title.
  window=$(xdotool search --onlyvisible --name '^Kestrilon$' 2>/dev/null | head -1 || true)
  if [[ -n $window ]] && eval "$(xdotool getwindowgeometry --shell "$window")" &&
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shot" 2>/dev/null; then
    echo "The options dialog as it was shown meanwhile: $shot"
  else
    echo "(no screenshot of the dialog: its window was not found)"
  fi
fi
