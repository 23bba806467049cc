#!/usr/bin/env bash
# The release zip: build/dist/kestrilon-VERSION.zip, one folder kestrilon-VERSION/ holding
# kestrilon.exe, kestrilon.pdf beside it (the program opens its own path with ".pdf" as its
# manual), kestrilon-filter.exe, README.txt and LICENSE.
#
#   scripts/dist.sh WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]
# WINDOWS_BUILD_DIR is the "windows" preset's build (build/windows); NATIVE_BUILD_DIR (default
# build/native) gives the kestrilon-filter that makes the manual's examples. VERSION is the
# "FileVersion" of src/app/resources/kestrilon.rc (scripts/version.sh).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]" >&2
  exit 2
fi
windows=$1
native=${2:-$repo/build/native}
fail() { echo "dist: $*" >&2; exit 1; }

version=$("$repo/scripts/version.sh") || fail "no version, so no release"

exe=$windows/src/app/kestrilon.exe
filter_exe=$windows/tools/kestrilon-filter.exe
missing=()
for f in "$exe" "$filter_exe"; do [[ -f $f ]] || missing+=("$f"); done
((${#missing[@]} == 0)) || fail "missing from the Windows build: ${missing[*]} (make windows builds them)"
for cmd in zip unzip python3 x86_64-w64-mingw32-strip; do
  command -v "$cmd" >/dev/null || fail "'$cmd' is not installed (make deps installs it)"
done

# The version has one source, the resource script; the programs must have been built from it.
contains_utf16() {
  python3 - "$1" "$2" <<'EOF'
import sys
sys.exit(0 if sys.argv[2].encode("utf-16-le") in open(sys.argv[1], "rb").read() else 1)
EOF
}
contains_utf16 "$exe" "$version" ||
  fail "$exe has no version resource string $version: it is older than kestrilon.rc; rebuild it"
native_version=$("$native/tools/kestrilon-filter" --version 2>/dev/null || true)
[[ $native_version == "kestrilon-filter $version" ]] ||
  fail "kestrilon-filter --version says '$native_version', kestrilon.rc says $version;" \
       "it is older than kestrilon.rc (the build reads its version from there): rebuild it"

dist=$repo/build/dist
name=kestrilon-$version
stage=$dist/$name
mkdir -p "$dist"

"$repo/scripts/build-manual.sh" "$native" "$dist/kestrilon.pdf"
"$repo/scripts/check-manual.sh" "$dist/kestrilon.pdf" "$native" "$repo/build/manual/pages"

rm -rf "$stage" "$dist/$name.zip"
mkdir -p "$stage"
# The builds carry debugging information and symbols (RelWithDebInfo); users get the programs
# without either: half the size, the same code.
x86_64-w64-mingw32-strip -o "$stage/kestrilon.exe" "$exe"
x86_64-w64-mingw32-strip -o "$stage/kestrilon-filter.exe" "$filter_exe"
cp "$dist/kestrilon.pdf" "$stage/kestrilon.pdf"

# Text for Notepad: CRLF line ends (older Notepads show LF-only text as one line). README.txt is
# UTF-8 with a byte order mark, which every Notepad reads as UTF-8 whatever the system's code
# page; Shift-JIS would read right only where that code page is 932, and UTF-8 without the mark
# is taken for the code page by Notepad before Windows 10 version 1903.
python3 - "$repo/docs/dist/README.txt" "$stage/README.txt" "$version" <<'EOF'
import sys
src, dst, version = sys.argv[1:]
text = open(src, "rb").read().decode("utf-8-sig").replace("\r\n", "\n")
if "@VERSION@" not in text:
    sys.exit(f"dist: {src} has no @VERSION@ to fill in")
text = text.replace("@VERSION@", version)
open(dst, "wb").write(b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8"))
EOF
python3 - "$repo/LICENSE" "$stage/LICENSE" <<'EOF'
import sys
text = open(sys.argv[1], encoding="utf-8").read().replace("\r\n", "\n")
open(sys.argv[2], "wb").write(text.replace("\n", "\r\n").encode("utf-8"))
EOF

(cd "$dist" && zip -q -X -r "$name.zip" "$name")

# The zip holds exactly the folder and its five files.
expected=$(printf '%s\n' "$name/" "$name/LICENSE" "$name/README.txt" "$name/kestrilon-filter.exe" \
                           "$name/kestrilon.exe" "$name/kestrilon.pdf" | sort)
actual=$(unzip -Z1 "$dist/$name.zip" | sort)
if [[ $actual != "$expected" ]]; then
  fail "$dist/$name.zip holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"
fi
unzip -tq "$dist/$name.zip" >/dev/null || fail "$dist/$name.zip does not test clean"
echo "dist: $dist/$name.zip ($(du -h "$dist/$name.zip" | cut -f1))"
