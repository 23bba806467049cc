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
copiers=()  # the xclip processes that hold a copy
trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; for c in "${copiers[@]}"; do kill "$c" 2>/dev/null || true; done
      wait 2>/dev/null; rm -rf "$work"' EXIT
cp "$exe" "$work/kestrilon.exe"
settings=(NumberMode=1 AlphabetMode=1 SignMode=1 SpaceMode=1 KanaMode2=2 TagDelete=1 DelDmySpc=1
          ShowForm=1 Form1Top=40 Form1Left=40)
user=$("$WINELOADER" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r\n')
{ printf '[%s]\r\n' "$user"; printf '%s\r\n' "${settings[@]}"; } >"$work/kestrilon.ini"
(cd "$work" && exec "$WINELOADER" ./kestrilon.exe) &
pid=$!

# Keeps a final line break, so that what the program wrote is shown exactly.
paste_now() { local t; t=$(timeout 5 xclip -selection clipboard -o 2>/dev/null; echo x); printf '%s' "${t%x}"; }

# Copies TEXT as another program does (xclip, holding the X selection in the background) and waits
# up to SECONDS for the program to write its result: Wine then takes the selection from xclip,
# which ends. True when that happened in time. Reading the clipboard could not tell, as a text the
# settings leave as it is reads the same before the program has seen it and after.
copy_and_wait() {  # TEXT SECONDS
  printf '%s' "$1" | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
  local copier=$! deadline=$((SECONDS + $2))
  copiers+=("$copier")
  while kill -0 "$copier" 2>/dev/null; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# A copy made before the program listens to the clipboard goes unseen, and Wine takes a while to
# start it: a probe is copied again and again until the program has filtered one, and only then is
# the sample shown. Each probe differs from the last (full-width letters, which the settings make
# ASCII), or Wine would take it for the same copy.
ready=0
for try in $(seq 1 30); do  # 30 tries of 2 s each
  kill -0 "$pid" 2>/dev/null || break
  if copy_and_wait "ｐｒｏｂｅ $try" 2; then ready=1; break; fi
done
if ((!ready)); then
  kill -0 "$pid" 2>/dev/null && echo "run: kestrilon.exe filtered no copy in 60 s" >&2 \
    || echo "run: kestrilon.exe ended before it filtered a copy" >&2
  exit 1
fi

echo "kestrilon.exe runs under Wine on a private display, with: ${settings[*]}"
echo "Each line is copied by another program (xclip) and read back once the program has filtered it:"
echo
lines=0 filtered=0
while IFS= read -r line; do
  [[ -z $line ]] && continue
  lines=$((lines + 1))
  if copy_and_wait "$line" 20; then
    filtered=$((filtered + 1))
    printf '  copied: %s\n  pasted: %s\n\n' "$line" "$(paste_now)"
  else
    printf '  copied: %s\n  pasted: %s   (NOT FILTERED: the program wrote nothing in 20 s)\n\n' "$line" "$(paste_now)"
  fi
done <"$sample"
echo "$filtered of $lines lines came back filtered."
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
((filtered == lines))
