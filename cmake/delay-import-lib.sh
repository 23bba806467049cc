#!/usr/bin/env bash
# Makes a delay-load import library from a MinGW import library: the same functions, each bound at
# its first call (by LoadLibrary, so with the search the program set) instead of by the loader
# before main.
#
#   delay-import-lib.sh NM DLLTOOL IMPORT-LIB DLL-NAME OUTPUT
#
# Only functions are taken: an import library's member that defines __imp_NAME and NAME is a
# function; one with __imp_NAME alone is data, which can't be bound late (and nothing here uses any).
set -euo pipefail
nm=$1 dlltool=$2 import_lib=$3 dll=$4 output=$5

def="$output.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" -g --defined-only "$import_lib" | awk '
    /:$/ { member = $0; next }
    $2 == "I" && $3 ~ /^__imp_/ { imp[member] = substr($3, 7); next }
    $2 == "T" { code[member] = $3 }
    END { for (m in imp) if (code[m] == imp[m]) print "  " imp[m] }' | LC_ALL=C sort -u
} >"$def.tmp"
# An empty list would give a library that binds nothing and hides every use: refuse it.
(($(wc -l <"$def.tmp") > 2)) || { echo "delay-import-lib: no functions in $import_lib" >&2; exit 1; }
mv -f "$def.tmp" "$def"
rm -f "$output"
"$dlltool" --input-def "$def" --dllname "$dll" --output-delaylib "$output"
