#!/usr/bin/env bash
# Renders every page of the manual to a PNG, so that a person can look at each one (legible
# Japanese, nothing cut off, no empty boxes for missing glyphs), and checks what a program can:
# the page count, the text of every setting's caption on the pages, embedded fonts only.
#
#   scripts/check-manual.sh PDF NATIVE_BUILD_DIR [PAGE_DIR]
# PAGE_DIR defaults to build/manual/pages; its page-NN.png files are replaced.
set -euo pipefail
if [[ $# -lt 2 || $# -gt 3 ]]; then
  echo "usage: $0 PDF NATIVE_BUILD_DIR [PAGE_DIR]" >&2
  exit 2
fi
pdf=$1
tool=$2/tools/kestrilon-filter
pages_dir=${3:-$(cd "$(dirname "$0")/.." && pwd)/build/manual/pages}
for cmd in pdfinfo pdftoppm pdftotext pdffonts; do
  command -v "$cmd" >/dev/null || { echo "check-manual: '$cmd' is missing (poppler-utils)" >&2; exit 1; }
done
[[ -f $pdf ]] || { echo "check-manual: $pdf does not exist" >&2; exit 1; }
[[ -x $tool ]] || { echo "check-manual: $tool is missing" >&2; exit 1; }

failures=()
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[[ $pages =~ ^[0-9]+$ && $pages -ge 10 ]] || failures+=("only '${pages}' pages; the manual has at least 10")

mkdir -p "$pages_dir"
rm -f "$pages_dir"/page-*.png
pdftoppm -r 110 -png "$pdf" "$pages_dir/page"
rendered=$(find "$pages_dir" -name 'page-*.png' | wc -l)
[[ $rendered -eq $pages ]] || failures+=("$rendered pages rendered out of $pages")

# Every font in the PDF is embedded, so the reader's machine shows the same glyphs.
if pdffonts "$pdf" | tail -n +3 | awk '$(NF-4) != "yes" { bad = 1 } END { exit !bad }'; then
  failures+=("fonts that are not embedded: $(pdffonts "$pdf" | tail -n +3 | awk '$(NF-4) != "yes"' | tr '\n' ';')")
fi

# Each setting's caption, as the program shows it, is in the PDF's text.
text=$(pdftotext -layout "$pdf" -)
mapfile -t captions < <("$tool" --list | sed -n 's/^  [A-Za-z0-9]*=-\{0,1\}[0-9]* *\(.*\)  (.*)$/\1/p')
((${#captions[@]} == 21)) || failures+=("kestrilon-filter --list gave ${#captions[@]} captions, not 21")
for caption in "${captions[@]}"; do
  grep -qF -- "$caption" <<<"$text" || failures+=("caption '$caption' not found in the PDF's text")
done
# So is every caption of the program's own, the menu's and the dialog's, as the program's tables
# give them ("(&U)" as the manual writes it: "(U)").
mapfile -t own < <(python3 - "$(dirname "$0")/../src/app" <<'PY'
import pathlib, re, sys
source = pathlib.Path(sys.argv[1])
# A dialog row: kind, name, parent, five numbers, caption. A menu row: field, name, caption.
row = re.compile(r'^\s*\{(?:K::\w+, "\w+", "\w*", (?:-?\d+, ){5}|&TForm1::\w+, "\w+", )"([^"]+)"', re.M)
for name in ("Setting.cpp", "SettingLayout.cpp"):
    for caption in row.findall((source / name).read_text(encoding="utf-8")):
        if caption != "-":
            print(caption.replace("&", ""))
PY
)
((${#own[@]} >= 15)) || failures+=("the program's tables gave only ${#own[@]} captions of its own")
for caption in "${own[@]}"; do
  grep -qF -- "$caption" <<<"$text" || failures+=("caption '$caption' not found in the PDF's text")
done
# U+FFFD in the text means a character was lost on the way.
if grep -q $'\xef\xbf\xbd' <<<"$text"; then failures+=("replacement characters (U+FFFD) in the text"); fi

if ((${#failures[@]})); then
  echo "check-manual: $pdf:" >&2
  printf '  %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "check-manual: $pages pages, rendered to $pages_dir/page-*.png; look at each of them"
