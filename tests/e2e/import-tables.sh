#!/usr/bin/env bash
# The DLLs that the shipped programs import statically, against the few that may be. The loader
# binds static imports, and whatever those import in turn, before main runs, so before main can
# keep the DLL search out of the program's folder (where a planted DLL may lie): only DLLs that
# are never searched for there, and import nothing that is, may be static imports.
#
#   import-tables.sh OBJDUMP --refuse CONTROL.EXE -- PROGRAM.EXE...
#
# Each PROGRAM must pass. CONTROL, a program that imports version.dll, must be refused: that shows
# the check can fail (a changed objdump output would otherwise let everything through).
set -uo pipefail

usage="usage: $0 OBJDUMP --refuse CONTROL.EXE -- PROGRAM.EXE..."
objdump=${1:?$usage}
[[ ${2:-} == --refuse && ${4:-} == -- ]] || { echo "$usage" >&2; exit 2; }
control=$3
shift 4
(($#)) || { echo "$usage" >&2; exit 2; }

# The static imports allowed, and why each is safe.
declare -A allowed=(
  [kernel32.dll]="the loader's own: on Windows a known DLL, always the system's copy, and in every
                  process before the program's imports are bound"
  [msvcrt.dll]="the C runtime that MinGW builds against: on Windows a known DLL; under Wine its own
                imports are kernel32 and ntdll only"
)
# Not allowed, although Windows never searches for them (they are known DLLs there): Wine keeps no
# list of known DLLs, and their own imports are searched for in the program's folder before main:
# user32.dll imports version.dll, shell32.dll imports shlwapi.dll which imports shcore.dll, gdi32.dll
# and comctl32.dll import user32.dll, advapi32.dll imports sechost.dll. (comctl32.dll isn't a known DLL even on
# Windows: only the manifest's Common Controls 6 dependency would take it from the system.) The
# programs load all of them at their first call instead (cmake/LoadAfterMain.cmake), after main.

imports() {  # PROGRAM: its static imports, one lower-case name a line
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r' | tr 'A-Z' 'a-z' | sort -u
}
refused() {  # PROGRAM: the imports that aren't allowed; false when the table couldn't be read
  local list dll
  list=$(imports "$1") || return 1
  # Every program imports kernel32: without it the table wasn't read.
  grep -qx kernel32.dll <<<"$list" || return 1
  while read -r dll; do
    [[ -n ${allowed[$dll]+set} ]] || echo "$dll"
  done <<<"$list"
}

failed=0
if ! bad=$(refused "$control"); then
  echo "FAILED: no import table read from $control with $objdump"; failed=1
elif [[ -z $bad ]]; then
  echo "FAILED: the check lets $(basename "$control") through, with its import of version.dll"; failed=1
else
  echo "ok: $(basename "$control") is refused for: $(echo $bad)"
fi
for program in "$@"; do
  name=$(basename "$program")
  if ! bad=$(refused "$program"); then
    echo "FAILED: no import table read from $program with $objdump"; failed=1
  elif [[ -n $bad ]]; then
    echo "FAILED: $name imports, before main can restrict the DLL search: $(echo $bad)"; failed=1
  else
    echo "ok: $name imports only $(imports "$program" | tr '\n' ' ')"
  fi
  # Functions that Windows 7 or Vista may lack are looked up at run time: a static import of one
  # would keep the program from starting at all there.
  late=$("$objdump" -p "$program" | grep -owE 'SetDefaultDllDirectories|AddDllDirectory|SetSearchPathMode' | sort -u)
  if [[ -n $late ]]; then
    echo "FAILED: $name imports what older Windows lack: $(echo $late)"; failed=1
  fi
done
exit "$failed"
