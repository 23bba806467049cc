#!/usr/bin/env bash
# A DLL planted beside the programs never runs with them. People unzip Kestrilon into Downloads,
# where anything else downloaded lies too; Windows looks in a program's own folder first for a DLL
# that is not one of its known system DLLs. So planted.dll, which leaves a marker whenever it is
# loaded, is put beside each program as version.dll, uxtheme.dll, shcore.dll, dwmapi.dll and
# winmm.dll, and Wine is told to prefer those copies to its own, as Windows would. The program must
# still work (filter a copy, show its About box with the version read from its resource) and no
# marker may appear. unguarded.exe, a program that takes no care, must leave markers under the same
# conditions: without that, "no marker" would prove nothing. Run through the Wine harness (--native).
#
#   planted-dll-e2e.sh KESTRILON.EXE KESTRILON-FILTER.EXE CLIPTOOL.EXE PLANTED.DLL UNGUARDED.EXE
set -uo pipefail

usage="usage: $0 KESTRILON.EXE KESTRILON-FILTER.EXE CLIPTOOL.EXE PLANTED.DLL UNGUARDED.EXE"
kestrilon_exe=${1:?$usage}
filter_exe=${2:?$usage}
cliptool_exe=${3:?$usage}
planted_dll=${4:?$usage}
unguarded_exe=${5:?$usage}
. "$(dirname "$0")/lib.sh"
version=$("$(dirname "$0")/../../scripts/version.sh") || exit 1

planted_names=(version uxtheme shcore dwmapi winmm)
# The harness's own overrides (no Mono or Gecko installers), then native copies first for ours.
overrides="mscoree,mshtml=;$(IFS=,; echo "${planted_names[*]}")=n,b"

plant() {  # DIR: the planted DLL in DIR under every name
  local name
  for name in "${planted_names[@]}"; do cp "$planted_dll" "$1/$name.dll"; done
}
# A marker is named after the DLL as it was asked for: "VERSION.dll.ran" for an import of VERSION.dll.
ran() { compgen -G "$1/*.ran" | grep -qix "$1/$2.ran"; }  # DIR NAME.dll: that DLL left its marker
markers() {  # DIR: "NAME.dll (in PROGRAM)" for each marker left in DIR
  local marker
  for marker in "$1"/*.ran; do
    [[ -e $marker ]] && printf '%s (in %s) ' "$(basename "${marker%.ran}")" "$(tr -d '\r\n' <"$marker")"
  done
}
expect_no_markers() {  # DIR WHAT
  local left
  left=$(markers "$1")
  [[ -z $left ]] && pass "no planted DLL ran with $2" || fail "planted DLLs ran with $2: $left"
}

echo "== a program that takes no care: the planted DLLs run in it"
control="$work/unguarded"
mkdir -p "$control"
cp "$unguarded_exe" "$control/unguarded.exe"
plant "$control"
(cd "$control" && WINEDLLOVERRIDES=$overrides timeout 120 "$WINELOADER" ./unguarded.exe) >"$work/unguarded.out" 2>&1
ran "$control" version.dll && pass "its static import of version.dll ran the planted copy" \
  || fail "the planted version.dll didn't run in unguarded.exe: $(tr -d '\r' <"$work/unguarded.out")"
ran "$control" uxtheme.dll && pass "its LoadLibrary of uxtheme.dll ran the planted copy" \
  || fail "the planted uxtheme.dll didn't run in unguarded.exe: $(tr -d '\r' <"$work/unguarded.out")"

echo "== kestrilon.exe beside the planted DLLs"
app="$work/app"
mkdir -p "$app"
cp "$kestrilon_exe" "$app/kestrilon.exe"
plant "$app"
program_env=("WINEDLLOVERRIDES=$overrides")
if start_program --in "$app" NumberMode=1 && poll 20 has_icon; then
  move_tray
  expect_filtered "it filters a copy" "１２３" "123$crlf"
  about_line="FileVersion : $version"
  about_shown() { tool find-text "$(hex "$about_line")" >/dev/null; }
  about_gone() { ! about_shown; }
  if choose a && poll 20 about_shown; then
    pass "its About box shows \"$about_line\""
    read -r handle _ <<<"$(tool find-text "$(hex "$about_line")")"
    tool close-window "$handle" >/dev/null
    poll 10 about_gone || fail "the About box didn't close"
  else
    fail "no About box with \"$about_line\""
  fi
  choose x
  poll 20 gone "$program_pid" && pass "the exit command ends it" || fail "it kept running after exit"
  program_pid=""
else
  fail "kestrilon.exe didn't start beside the planted DLLs"
fi
stop_program
expect_no_markers "$app" kestrilon.exe
program_env=()

echo "== kestrilon-filter.exe beside the planted DLLs"
tool_dir="$work/tool"
mkdir -p "$tool_dir"
cp "$filter_exe" "$tool_dir/kestrilon-filter.exe"
plant "$tool_dir"
got=$(cd "$tool_dir" && printf '%s' "ＡＢＣ１２３" |
      WINEDLLOVERRIDES=$overrides timeout 120 "$WINELOADER" ./kestrilon-filter.exe --set NumberMode=1 \
        --set AlphabetMode=1 2>/dev/null | tr -d '\r')
[[ $got == "ABC123" ]] && pass "kestrilon-filter.exe filters" || fail "kestrilon-filter.exe gave: $got"
expect_no_markers "$tool_dir" kestrilon-filter.exe

stop_program
echo "$passed passed, $failed failed"
((failed == 0))
