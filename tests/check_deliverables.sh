#!/usr/bin/env bash
# Static check of the shipped 32-bit deliverables: PE32 for i386, the exact
# exports and ordinal, and an import table naming system DLLs only.
set -uo pipefail
export LC_ALL=C  # objdump must speak the words this script looks for
bin=$1
ext=$2
objdump=i686-w64-mingw32-objdump
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

allowed='^(kernel32|user32|gdi32|advapi32|msvcrt|msvfw32|avifil32|winmm|shell32|ole32)\.dll$'

check() {  # file, expected "ordinal name" lines of the export table
  local file=$1 expected=$2
  [ -f "$file" ] || { fail "$file is missing"; return; }
  local headers
  headers=$($objdump -p "$file")
  grep -q 'file format pei-i386' <<<"$headers" || fail "$file is not PE32 for i386"
  grep -qE '^Magic[[:space:]]+010b' <<<"$headers" || fail "$file has no PE32 optional header"
  # Ordinal = the table's ordinal base + the index shown beside each name.
  local base exports
  base=$(sed -nE 's/.*Ordinal Base ([0-9]+).*/\1/p' <<<"$headers" | head -1)
  exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on' <<<"$headers" |
    sed -nE "s/^[[:space:]]*\[ *([0-9]+)\] (.*)$/\1 \2/p" |
    while read -r index name; do echo "$((base + index)) $name"; done)
  [ "$exports" = "$expected" ] || fail "$file exports '$exports', expected '$expected'"
  local imports bad
  imports=$(awk '/DLL Name:/{print tolower($3)}' <<<"$headers")
  [ -n "$imports" ] || fail "$file imports nothing?"
  bad=$(grep -vE "$allowed" <<<"$imports")
  [ -z "$bad" ] || fail "$file imports non-system DLLs: $bad"
  echo "checked $file: exports [$exports], imports [$(echo $imports)]"
}

check "$bin/zelvanoor.$ext" "1 GetOutputPluginTable"
check "$bin/Zelvanoor.vcm" "1 DriverProc"

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
