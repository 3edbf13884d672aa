#!/usr/bin/env bash
# Installs korvala-setup.exe silently into the test prefix and checks what it put in place
# (files, shortcuts, keys and the rights on the settings key, COM registration, the library from
# a script, the program starting), installs it again over itself, then uninstalls silently and
# compares the registry and the file tree with their state before the installation. In a 64-bit
# prefix a 32-bit setup works in the 32-bit program folder and registry view (Wow6432Node), a
# 64-bit one in the 64-bit ones; both views are checked.
# A release's setup is checked with its signing certificate: the installed files carry valid
# signatures.
# Usage: installer_test.sh <korvala-setup.exe> <wine-run> <installed_client.js> <close_program_window.exe>
#                          <key_rights.exe> <the setup's kind: win32 or win64> <project version>
#                          [<the release's signing certificate>]
set -uo pipefail
setup=$(realpath "$1") wine_run=$(realpath "$2") client=$(realpath "$3") close_window=$(realpath "$4")
key_rights=$(realpath "$5") kind=$6 version=$7 certificate=${8:-}
. "$(dirname "$wine_run")/wine-env"
export WINEDEBUG=-all
# Wine's menu builder would mirror the shortcuts into the host's menus and desktop; it has no
# part in what is tested and races with the uninstaller.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
drive_c=$KORVALA_WINEPREFIX/drive_c
# The system programs of the setup's kind see what the setup sees: its program folder and its
# registry view.
system=$(korvala_system_folder "$kind")
wine_out() { "$wine_run" "$@" 2>/dev/null </dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
program_files=$(wine_out "$system\\cmd.exe" /c echo %ProgramFiles%)
[[ "$program_files" == C:\\* ]] || { echo "the prefix named no program folder: '$program_files'"; exit 1; }
win_install_dir="$program_files\\Korvala"
install_dir=$drive_c/$(echo "${win_install_dir#C:\\}" | tr '\\' /)
# Where Wine keeps the all-users shortcuts.
start_menu=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
desktop=$drive_c/users/Public/Desktop
settings_key='HKLM\Software\Korvala'
virtual_settings_key='HKCU\Software\Classes\VirtualStore\MACHINE\SOFTWARE\Korvala'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvala'
kvengine_clsid='{C017CD5E-ECA0-42A8-A064-15897A7ACA9A}'

work=$(mktemp -d)
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# Registry queries in the setup's view.
reg_value() { wine_out "$system\\reg.exe" query "$1" /v "$2" | grep -E "^\s+$2\s"; }
reg_default() { wine_out "$system\\reg.exe" query "$1" /ve | sed -n 's/^\s*(Default)\s\+REG_SZ\s\+//p'; }
key_exists() { wine_out "$system\\reg.exe" query "$1" >/dev/null; }
# Polls a condition for up to $1 seconds.
wait_for() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 5))); do "$@" && return 0; sleep 0.2; done
  return 1
}

# Settings that other tests left in the prefix are put aside and given back at the end, so that
# the installer meets a machine that never had Korvala.
if key_exists "$settings_key"; then
  wine_out "$system\\reg.exe" export "$settings_key" "$(windows_path "$work/earlier-settings.reg")" /y >/dev/null
  wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null
fi
finish() {
  [ -f "$work/earlier-settings.reg" ] &&
    wine_out "$system\\reg.exe" import "$(windows_path "$work/earlier-settings.reg")" >/dev/null
  rm -rf "$work"
}
trap finish EXIT

# The registry parts and files an installation touches; what the running program makes itself
# ("C:\Korvala Downloads", "C:\ScanXML.xml", the browser's cache, cookies and history, which
# other tests' browsers fill too) and temporary folders are not the installer's.
# Of the interfaces and type libraries only the library's own count: Wine registers its standard
# ones lazily (stdole's when a library that imports it is first registered in this prefix, by
# whichever test comes first).
others_types='\\(Interface|Typelib|TypeLib)\\\{'
own_types='2751548B-5BDB-487E-B341-972AD32D4FA0|8E62C4E5-ACB2-4173-BF6D-E08F52F7BB9E'
snapshot() {
  local key
  for key in 'HKLM\Software' 'HKCR\CLSID' 'HKCR\TypeLib' 'HKCR\Interface' \
             'HKCR\KVObject.KVEngine' 'HKCR\KVObject.KVEngine.1'; do
    echo "[$key]"
    if wine_out reg export "$key" "$(windows_path "$work/export.reg")" /y >/dev/null; then
      iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r' |
        others=$others_types own=$own_types awk '/^\[/ { skip = $0 ~ ENVIRON["others"] && $0 !~ ENVIRON["own"] } !skip'
    else
      echo "(missing)"
    fi
  done >"$work/$1.registry"
  (cd "$drive_c" && find . -path '*/[Tt]emp' -prune -o -print |
     grep -v -e '^\./Korvala Downloads' -e '^\./ScanXML\.xml$' -e '/AppData/Local/Microsoft/Windows/' | sort) >"$work/$1.files"
}
same_as_before() {
  diff -u "$work/before.$1" "$work/after.$1" >"$work/$1.diff" || { head -40 "$work/$1.diff"; return 1; }
}

installed_files() {
  [ -f "$install_dir/korvala-desk.exe" ] && [ -f "$install_dir/KVObject.dll" ] && [ -f "$install_dir/uninstall.exe" ]
}
# A shortcut file holds its target's path as text.
shortcut_to_program() { [ -f "$1/Korvala.lnk" ] && grep -qa 'Korvala\\korvala-desk.exe' "$1/Korvala.lnk"; }
one_shortcut_in() { [ "$(find "$1" -maxdepth 1 -iname '*korvala*' | wc -l)" -eq 1 ]; }
guest_scan_is() { reg_value "$settings_key" GuestScan | grep -qE "REG_BINARY\s+$1\$"; }
no_credentials() { ! reg_value "$settings_key" Username && ! reg_value "$settings_key" Password; }
# The local Users group has one entry of its own on the settings key: reading and setting values
# (KEY_QUERY_VALUE | KEY_SET_VALUE), nothing more. Wine keeps access lists only while its server
# runs, which the prefix's persistent server does across these steps.
users_may_read_and_set_settings() {
  local rights
  rights=$(wine_out "$(windows_path "$key_rights")" 'Software\Korvala') || return 1
  sed 's/^/     /' <<<"$rights"
  [ "$(grep -c ' S-1-5-32-545 .* explicit$' <<<"$rights")" -eq 1 ] &&
    grep -q '^allow S-1-5-32-545 0x00000003 explicit$' <<<"$rights"
}
# The size that Programs and Features shows (KB): at least that of the program and the library.
installed_size_in_kb() {
  local least size
  least=$(( ($(stat -c %s "$install_dir/korvala-desk.exe") + $(stat -c %s "$install_dir/KVObject.dll")) / 1024 ))
  size=$(reg_value "$uninstall_key" EstimatedSize | sed -n 's/.*REG_DWORD\s\+0x\([0-9a-fA-F]\+\)$/\1/p')
  [ -n "$size" ] && [ $((16#$size)) -ge "$least" ]
}
listed_as_installed() {
  reg_value "$uninstall_key" DisplayName | grep -q 'REG_SZ\s\+Korvala$' &&
  reg_value "$uninstall_key" DisplayVersion | grep -qE "REG_SZ\s+${version//./\\.}\$" &&
  reg_value "$uninstall_key" Publisher | grep -q 'REG_SZ\s\+Korvala$' &&
  reg_value "$uninstall_key" UninstallString | grep -qF "\"$win_install_dir\\uninstall.exe\"" &&
  installed_size_in_kb
}
# A release's installed program, library and uninstaller, each with its valid signatures.
installed_files_signed() {
  local file
  for file in korvala-desk.exe KVObject.dll uninstall.exe; do
    osslsigncode verify -CAfile "$certificate" -in "$install_dir/$file" >/dev/null 2>&1 ||
      { echo "     $file: no valid signature"; return 1; }
  done
}
# The library registers its short path, which Wine spells in its own way: compare the files.
library_registered_installed() {
  local clsid server
  clsid=$(reg_default 'HKCR\KVObject.KVEngine\CLSID') && [ -n "$clsid" ] &&
  server=$(reg_default "HKCR\\CLSID\\$clsid\\InprocServer32") && [ -n "$server" ] &&
  [ "$(realpath "$(wine_out winepath -u "$server")")" = "$(realpath "$install_dir/KVObject.dll")" ]
}
script_creates_library() {
  local output
  output=$(wine_out "$system\\cscript.exe" //nologo "$(windows_path "$client")")
  echo "     $output"
  grep -qxF "ok KVObject version $version" <<<"$output"
}
# Starts the installed program, by its path or (with "shortcut") through the Start menu's
# shortcut as the shell follows it; it must show its window and end when that is closed. The close
# tool waits for the program itself: "start /wait" returns before a program that it started
# through a shortcut has ended, and a program still running holds its files against the next step.
program_starts_and_closes() {
  if [ "${1:-}" = shortcut ]; then
    "$wine_run" start /wait /unix "$start_menu/Korvala.lnk" >/dev/null 2>&1 </dev/null &
  else
    "$wine_run" "$win_install_dir\\korvala-desk.exe" >/dev/null 2>&1 </dev/null &
  fi
  local pid=$! closed=1 starter_ended=1
  wine_out "$(windows_path "$close_window")" "Korvala 2007" 30 >/dev/null && closed=0
  wait_for 30 eval '! kill -0 '"$pid"' 2>/dev/null' && starter_ended=0
  if [ $closed -ne 0 ] || [ $starter_ended -ne 0 ]; then
    wine_out taskkill /f /im korvala-desk.exe >/dev/null
    wait "$pid"
  fi
  [ $closed -eq 0 ] && [ $starter_ended -eq 0 ]
}
# "_?=" makes the uninstaller run in place and be waited for; it then leaves itself behind. It
# must come last and unquoted: one argument per word of the folder, which Wine joins with spaces
# and quotes none of. Not through cmd: it drops the quotes around a program path that holds
# parentheses, as "C:\Program Files (x86)" does, and then finds no program.
uninstall_in_place() {
  local in_place
  read -ra in_place <<<"_?=$win_install_dir"
  wine_out "$win_install_dir\\uninstall.exe" /S "$@" "${in_place[@]}" >/dev/null
}
setup_silently() { wine_out "$(windows_path "$setup")" /S >/dev/null; }
nothing_installed_left() {
  [ ! -e "$install_dir" ] && [ ! -e "$start_menu/Korvala.lnk" ] && [ ! -e "$desktop/Korvala.lnk" ] &&
  ! key_exists "$uninstall_key" && ! key_exists 'HKCR\KVObject.KVEngine'
}

# Registry views. A 64-bit prefix has two: the 32-bit one lives under Wow6432Node, where the
# prefix's own (64-bit) reg sees it beside the 64-bit one. The installation's keys by view:
view_keys() {
  local node='' classes='HKLM\Software\Classes'
  if [ "$1" = win32 ]; then node='\Wow6432Node' classes='HKLM\Software\Classes\Wow6432Node'; fi
  echo "HKLM\\Software$node\\Korvala"
  echo "HKLM\\Software$node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvala"
  echo "$classes\\CLSID\\$kvengine_clsid\\InprocServer32"
}
other_kind() { if [ "$kind" = win32 ]; then echo win64; else echo win32; fi; }
keys_in_view() {  # view, "all" or "none"
  local key wrong=0
  while read -r key; do
    if wine_out reg query "$key" >/dev/null; then
      [ "$2" = none ] && { echo "     present: $key"; wrong=1; }
    else
      [ "$2" = all ] && { echo "     missing: $key"; wrong=1; }
    fi
  done < <(view_keys "$1")
  [ $wrong -eq 0 ]
}
check_views() {  # what is expected in the setup's own view: "all" or "none"
  if [ "$WINEARCH" != win64 ]; then
    echo "     (a 32-bit prefix has one registry view)"
    return
  fi
  check "$2 in the setup's own registry view ($kind)" keys_in_view "$kind" "$1"
  check "nothing in the other registry view ($(other_kind))" keys_in_view "$(other_kind)" none
}

# An earlier run that broke off may have left an installation: remove it first.
if [ -f "$install_dir/uninstall.exe" ]; then
  uninstall_in_place
  rm -rf "$install_dir"
  wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null
fi

# The first script run makes Wine register its scripting host's own types: let that happen
# before the snapshot.
check "no KVObject for scripts before the installation" eval '! script_creates_library'
snapshot before

echo "== silent installation"
check "setup /S succeeds" setup_silently
check "program, library and uninstaller installed" installed_files
if [ -n "$certificate" ]; then
  check "the installed program, library and uninstaller are signed" installed_files_signed
fi
check "Start menu shortcut to the program" shortcut_to_program "$start_menu"
check "desktop shortcut to the program" shortcut_to_program "$desktop"
check "GuestScan is 0 as 4 bytes of REG_BINARY" guest_scan_is 00000000
check "no e-mail address or password written" no_credentials
check "users may read and set the settings, nothing more" users_may_read_and_set_settings
check "listed among the installed programs" listed_as_installed
check "KVObject registered from the installation folder" library_registered_installed
check "a script creates the installed KVObject by its ProgID" script_creates_library
check "the installed program shows its window and closes" program_starts_and_closes
check "the Start menu shortcut starts the program" program_starts_and_closes shortcut
check_views all "settings, uninstall entry and KVObject's class"

echo "== installing over the installation"
wine_out "$system\\reg.exe" add "$settings_key" /v GuestScan /t REG_BINARY /d 01000000 /f >/dev/null
check "setup /S over the installation succeeds" setup_silently
check "program, library and uninstaller still installed" installed_files
check "one Start menu shortcut" one_shortcut_in "$start_menu"
check "one desktop shortcut" one_shortcut_in "$desktop"
check "the user's GuestScan choice is kept" guest_scan_is 01000000
check "users' rights on the settings unchanged" users_may_read_and_set_settings
check "still listed among the installed programs" listed_as_installed
check "KVObject still registered" library_registered_installed

echo "== silent uninstallation keeping the settings"
uninstall_in_place /KEEPSETTINGS
check "only the uninstaller left in the folder" \
  test "$(ls "$install_dir" 2>/dev/null)" = uninstall.exe
rm -rf "$install_dir"
check "nothing else of the installation left" nothing_installed_left
check "the settings are kept" guest_scan_is 01000000
wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null

echo "== silent uninstallation"
check "setup /S again succeeds" setup_silently
# What Windows keeps for a standard account that an earlier version gave no rights on the key.
wine_out reg add "$virtual_settings_key" /v Password /t REG_SZ /d 3d08 /f >/dev/null
# The uninstaller copies itself away and runs detached; its last steps remove the settings.
wine_out "$win_install_dir\\uninstall.exe" /S >/dev/null
check "the uninstaller finishes" wait_for 60 eval 'nothing_installed_left && ! key_exists "$settings_key"'
check "the user's virtualized copy of the settings is removed" wait_for 10 eval '! key_exists "$virtual_settings_key"'
check_views none "no key of the installation"
snapshot after
check "registry as before the installation" same_as_before registry
check "files as before the installation" same_as_before files

echo "$failures failed"
[ "$failures" -eq 0 ]
