#!/usr/bin/env bash
# Builds the user manual, kestrilon.pdf, from docs/manual: the examples are made by running the
# native kestrilon-filter, then headless Chromium prints the HTML to PDF with the Noto CJK fonts.
#
#   scripts/build-manual.sh NATIVE_BUILD_DIR [OUTPUT_PDF]
#       the release manual; OUTPUT_PDF defaults to build/manual/kestrilon.pdf. Every picture must
#       exist in docs/ (the missing ones are named), the version comes from scripts/version.sh.
#   scripts/build-manual.sh --draft IMAGE_DIR NATIVE_BUILD_DIR
#       a layout preview with the pictures of IMAGE_DIR (stand-ins, say), written to
#       build/manual/kestrilon-draft.pdf; never a release file.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

draft=
if [[ ${1-} == --draft ]]; then
  [[ $# -eq 3 ]] || { echo "usage: $0 --draft IMAGE_DIR NATIVE_BUILD_DIR" >&2; exit 2; }
  draft=$(cd "$2" && pwd)
  shift 2
fi
if [[ $# -lt 1 || $# -gt 2 || ( -n $draft && $# -ne 1 ) ]]; then
  echo "usage: $0 NATIVE_BUILD_DIR [OUTPUT_PDF]   or   $0 --draft IMAGE_DIR NATIVE_BUILD_DIR" >&2
  exit 2
fi
native=$1
tool=$native/tools/kestrilon-filter
if [[ ! -x $tool ]]; then
  echo "manual: $tool is missing; build it first (cmake --build $native --target kestrilon-filter)" >&2
  exit 1
fi
tool=$(cd "$(dirname "$tool")" && pwd)/kestrilon-filter

work=$repo/build/manual
if [[ -n $draft ]]; then
  images=$draft
  out=$work/kestrilon-draft.pdf
  version=$("$repo/scripts/version.sh" 2>/dev/null || echo draft)
else
  images=$repo/docs
  out=${2:-$work/kestrilon.pdf}
  # The pictures the manual shows; a PDF with a hole where a picture belongs is never made.
  pictures=(icon-active.png icon-paused.png screenshot-basic.png screenshot-extend.png
            screenshot-exclude.png screenshot-presets.png screenshot-try.png screenshot-keys.png
            screenshot-menu.png
            screenshot-about.png)
  missing=()
  for p in "${pictures[@]}"; do [[ -f $images/$p ]] || missing+=("docs/$p"); done
  if ((${#missing[@]})); then
    echo "manual: these pictures are missing, so no PDF was made:" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
  fi
  version=$("$repo/scripts/version.sh")
fi

for cmd in python3 chromium fc-match pdfinfo; do
  if ! command -v "$cmd" >/dev/null; then
    echo "manual: '$cmd' is not installed (make deps installs it)" >&2
    exit 1
  fi
done

html=$work/html
rm -rf "$html"
mkdir -p "$html" "$(dirname "$out")"
python3 "$repo/docs/manual/render.py" --tool "$tool" --version "$version" --images "$images" \
  --repo "$repo" --out "$html"

# Chromium writes its profile under HOME; a private one keeps the user's own untouched.
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
tmp_pdf=$out.tmp.pdf
rm -f "$tmp_pdf"
if ! HOME=$profile timeout 300 chromium --headless --no-sandbox --disable-gpu \
       --user-data-dir="$profile" --no-pdf-header-footer --generate-pdf-document-outline \
       --print-to-pdf="$tmp_pdf" "file://$html/index.html" >"$work/chromium.log" 2>&1 ||
   [[ ! -s $tmp_pdf ]]; then
  echo "manual: Chromium did not print the PDF; its messages are in $work/chromium.log" >&2
  rm -f "$tmp_pdf"
  exit 1
fi
if ! pdfinfo "$tmp_pdf" >/dev/null 2>&1; then
  echo "manual: Chromium wrote a PDF that pdfinfo cannot read ($tmp_pdf)" >&2
  exit 1
fi
mv -f "$tmp_pdf" "$out"
echo "manual: $out ($(pdfinfo "$out" | sed -n 's/^Pages: *//p') pages, version $version)"
