#!/usr/bin/env bash
# The shipped binaries as a user downloads them: each imports only system DLLs of Windows XP SP3
# and only functions that XP SP3 has, and carries no symbol table. Runs no Windows code: it reads
# the import tables with objdump and asks the MinGW headers, compiled for XP
# (_WIN32_WINNT=0x0501), whether they declare each imported function: one probe line per import.
# A function the headers declare only for later Windows versions is refused.
# It also reads the resources that Windows reads from them (wrestool): the version resource, which
# must carry the project's version and names, and each program's one application manifest.
# Usage: shipped_binaries_test.sh <objdump> <C compiler> <project version> <project name> <binary>...
set -uo pipefail
objdump=$1 compiler=$2 project_version=$3 product=$4
shift 4
tools=$(cd "$(dirname "$0")/../../tools" && pwd)

# The DLLs the binaries may import, all part of Windows XP SP3 (and of every later version;
# oleacc.dll, Active Accessibility, ships with every Windows since 98 and 2000).
xp_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msi.dll msvcrt.dll ole32.dll oleacc.dll
          oleaut32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll version.dll ws2_32.dll wsock32.dll "
# The C runtime's start-up and locking entry points, in every msvcrt.dll since Windows NT 4 but
# declared by no public header.
crt_startup=" __getmainargs __initenv __set_app_type __setusermatherr __p__fmode __p__commode _commode
              __p__environ __dllonexit _amsg_exit _cexit _initterm _lock _unlock _onexit "
# What the probes include: the headers that declare the functions of those DLLs.
probe_headers='#include <winsock2.h>
#include <windows.h>
#include <aclapi.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>
#include <olectl.h>
#include <oleauto.h>
#include <sddl.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <msiquery.h>
#include <tlhelp32.h>
#include <wincrypt.h>
#include <ctype.h>
#include <errno.h>
#include <io.h>
#include <locale.h>
#include <process.h>
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wchar.h>'

# One space around every name, for matching whole names.
xp_dlls=" $(echo $xp_dlls) " crt_startup=" $(echo $crt_startup) "

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# "dll function" per import; an import by ordinal shows as "dll #ordinal".
imports_of() {
  "$objdump" -p "$1" | awk '
    /^\tDLL Name:/ { dll = tolower($3); next }
    /^\t?$/ || /^The / { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
      if (NF >= 3 && $3 != "<none>") print dll, $3; else print dll, "#" $2
    }'
}

check_binary() {
  local binary=$1 name dll function line=0 probes=()
  name=$(basename "$binary")
  imports_of "$binary" >"$work/imports"
  if [ ! -s "$work/imports" ]; then
    fail "$name: no import table found"
    return
  fi
  {
    echo "#define _WIN32_WINNT 0x0501"
    echo "#define WINVER 0x0501"
    echo "#define _WIN32_IE 0x0600"
    echo "$probe_headers"
    echo "void probes(void) {"
  } >"$work/probe.c"
  local header_lines
  header_lines=$(wc -l <"$work/probe.c")
  while read -r dll function; do
    if [[ "$xp_dlls" != *" $dll "* ]]; then
      fail "$name imports $dll, which is not among the system DLLs that every Windows from XP SP3 on has ($function)"
    elif [[ "$function" == \#* ]]; then
      fail "$name imports $dll ordinal ${function#\#}, which this check cannot name"
    elif [ "$dll" = msvcrt.dll ] && [[ "$function" == *_s ]]; then
      # XP's msvcrt.dll has none of the secure C library's functions.
      fail "$name imports $dll!$function, which the msvcrt.dll of Windows XP lacks"
    elif [ "$dll" = msvcrt.dll ] && [[ "$crt_startup" == *" $function "* ]]; then
      :
    else
      probes+=("$dll!$function")
      echo "(void)($function);" >>"$work/probe.c"
    fi
  done <"$work/imports"
  echo "}" >>"$work/probe.c"
  "$compiler" -fsyntax-only -w -fmax-errors=0 -x c "$work/probe.c" 2>"$work/errors"
  # Every error names a probe line, numbered after the headers.
  for line in $(grep -o '^[^:]*probe\.c:[0-9]*:' "$work/errors" | cut -d: -f2 | sort -un); do
    local index=$((line - header_lines - 1))
    if [ "$index" -ge 0 ] && [ "$index" -lt ${#probes[@]} ]; then
      fail "$name imports ${probes[$index]}, which Windows XP SP3 lacks (not declared for _WIN32_WINNT 0x0501)"
    else
      fail "$name: the probe of its imports does not compile: $(sed -n 1p "$work/errors")"
    fi
  done
  echo "     $name: $(wc -l <"$work/imports") imports checked"

  # A stripped binary has no symbol table (and no debugging sections).
  if "$objdump" -h "$binary" | grep -q ' \.debug_' || "$objdump" -t "$binary" | grep -q '^\['; then
    fail "$name is not stripped of symbols"
  fi
}

# The version resource as Explorer and inventory tools read it: the project's version (missing
# numbers 0; the ProductVersion string lists all four), the product's names, the file's own name.
IFS=. read -r major minor patch tweak <<<"$project_version"
version_numbers="$major.${minor:-0}.${patch:-0}.${tweak:-0}"
version_listed="$major, ${minor:-0}, ${patch:-0}, ${tweak:-0}"
# What each binary says of itself besides; and the execution level its manifest asks for (a binary
# without one here has no manifest).
declare -A own_strings=(
  [KVObject.dll]="FileDescription=Korvala Engine|Comments=Korvala Engine Component|OLESelfRegister="
  [korvala-desk.exe]="FileDescription=Korvala 2007"
  [korvala-setup.exe]="FileDescription=$product Setup"
  [korvala-actions.dll]="FileDescription=Korvala Setup Actions")
declare -A execution_level=([korvala-desk.exe]=asInvoker [korvala-setup.exe]=requireAdministrator)
# Windows 8.1 and 10 in a manifest's compatibility list: GetVersionExA would then report 6.3 or
# 10.0, and the scan document's OS version code would change.
later_windows_ids='1f676c76-80e1-4239-95bb-83d0f6d0da78|8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a'

check_version_resource() {
  local binary=$1 name expected line strings
  name=$(basename "$binary")
  # The strings of the U.S. English table, whichever its code page, by their names alone.
  if ! strings=$(wrestool -x --raw -t 16 "$binary" | python3 "$tools/version-resource.py" |
                 sed 's|^0409[0-9a-fA-F]\{4\}/||'); then
    fail "$name: no version resource"
    return
  fi
  expected="FileVersion=$version_numbers
ProductVersion=$version_numbers
FileVersion=$project_version
ProductVersion=$version_listed
ProductName=$product
CompanyName=$product
LegalCopyright=Copyright (C) $product
OriginalFilename=$name
$(tr '|' '\n' <<<"${own_strings[$name]}")"
  while read -r line; do
    grep -qxF "$line" <<<"$strings" || fail "$name: its version resource lacks $line"
  done <<<"$expected"
}

check_manifest() {
  local binary=$1 name manifests manifest level
  name=$(basename "$binary") level=${execution_level[$(basename "$1")]:-}
  manifests=$(wrestool -l "$binary" | grep -c -- '--type=24 ')
  if [ -z "$level" ]; then
    [ "$manifests" -eq 0 ] || fail "$name carries an application manifest"
    return
  fi
  # Windows reads a program's manifest from resource 1; a second one (such as a toolchain's
  # default manifest) would make the link or the loader pick one of them.
  if [ "$manifests" -ne 1 ] || ! wrestool -l "$binary" | grep -q -- '--type=24 --name=1 '; then
    fail "$name carries $manifests application manifests, not exactly one with id 1"
    return
  fi
  manifest=$(wrestool -x --raw -t 24 -n 1 "$binary")
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parseString(sys.stdin.buffer.read())' <<<"$manifest" ||
    fail "$name: its manifest is no well-formed XML, and Windows refuses to start the program"
  grep -q "requestedExecutionLevel level=\"$level\"" <<<"$manifest" || fail "$name: its manifest does not ask for $level"
  grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" ||
    fail "$name: its manifest does not ask for the common controls 6"
  grep -Eq '<dpiAware[^>]*>true</dpiAware>' <<<"$manifest" || fail "$name: its manifest does not declare it DPI-aware"
  if [ "$name" = korvala-desk.exe ]; then
    # The forms that Windows XP's loader knows.
    grep -q '<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">' <<<"$manifest" ||
      fail "$name: its manifest's trustInfo is not in the asm.v2 namespace, which Windows XP's loader needs"
    grep -Eqi "$later_windows_ids" <<<"$manifest" &&
      fail "$name: its manifest declares Windows 8.1 or 10, which would change the scan document's OS version code"
  fi
}

for binary in "$@"; do
  check_binary "$binary"
  check_version_resource "$binary"
  check_manifest "$binary"
done
echo "$failures failed"
[ "$failures" -eq 0 ]
