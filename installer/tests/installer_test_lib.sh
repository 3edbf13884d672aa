# What the tests of both packages share (sourced by installer_test.sh and msi_test.sh): the test
# prefix, the paths an installation uses, checks of what it put in place, and the programs that
# stand for a user and a browser. Both scripts take these arguments first:
#   <package> <previous version's package> <wine-run> <installed_client.js> <folder of the test tools>
#   <desk_button.exe> <the packages' kind: win32 or win64> <version> <previous version>
#   [<the release's signing certificate>]
package=$(realpath "$1") previous_package=$(realpath "$2") wine_run=$(realpath "$3") client=$(realpath "$4")
tools=$(realpath "$5") desk_button=$(realpath "$6") kind=$7 version=$8 previous_version=$9 certificate=${10:-}
. "$(dirname "$wine_run")/wine-env"
export WINEDEBUG=-all
# Wine's menu builder would mirror the shortcuts into the host's menus and desktop; it has no
# part in what is tested and races with the uninstaller.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
drive_c=$KORVALA_WINEPREFIX/drive_c
# The system programs of the packages' kind see what the packages see: their program folder and
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
kvengine_clsid='{C017CD5E-ECA0-42A8-A064-15897A7ACA9A}'
pending_renames_key='HKLM\System\CurrentControlSet\Control\Session Manager'

work=$(mktemp -d)
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# msiexec's logs (/l*v) go to a folder beside the test (the working folder), which stays when a
# check fails.
keep_logs_in() { logs=$PWD/$1; rm -rf "$logs"; mkdir -p "$logs"; }
end_of_test() {
  echo "$failures failed"
  if [ "$failures" -eq 0 ]; then rm -rf "$logs"; else echo "msiexec's logs: $logs"; fi
  [ "$failures" -eq 0 ]
}
# Registry queries in the packages' view.
reg_value() { wine_out "$system\\reg.exe" query "$1" /v "$2" | grep -E "^\s+$2\s"; }
reg_default() { wine_out "$system\\reg.exe" query "$1" /ve | sed -n 's/^\s*(Default)\s\+REG_SZ\s\+//p'; }
key_exists() { wine_out "$system\\reg.exe" query "$1" >/dev/null; }
# Polls a condition for up to $1 seconds.
wait_for() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 5))); do "$@" && return 0; sleep 0.2; done
  return 1
}
# Runs a Windows command line through run_program and echoes its whole exit code (a Unix process
# status keeps only the low 8 bits: 3010 would read 194). --limited first runs it as a limited
# account.
exit_code_of() {
  wine_out "$(windows_path "$tools/run_program.exe")" "$@" | sed -n 's/^exit code //p'
}

# Settings that other tests left in the prefix are put aside and given back at the end, so that
# the package meets a machine that never had Korvala.
if key_exists "$settings_key"; then
  wine_out "$system\\reg.exe" export "$settings_key" "$(windows_path "$work/earlier-settings.reg")" /y >/dev/null
  wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null
fi
finish() {
  [ -f "$work/earlier-settings.reg" ] &&
    wine_out "$system\\reg.exe" import "$(windows_path "$work/earlier-settings.reg")" >/dev/null
  wine_out taskkill /f /im hold_library.exe >/dev/null
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
export_keys() {  # file key...
  local key file=$1; shift
  for key in "$@"; do
    echo "[$key]"
    if wine_out reg export "$key" "$(windows_path "$work/export.reg")" /y >/dev/null; then
      iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r' |
        others=$others_types own=$own_types awk '/^\[/ { skip = $0 ~ ENVIRON["others"] && $0 !~ ENVIRON["own"] } !skip'
    else
      echo "(missing)"
    fi
  done >"$file"
}
snapshot() {
  export_keys "$work/$1.registry" 'HKLM\Software' 'HKCR\CLSID' 'HKCR\TypeLib' 'HKCR\Interface' \
    'HKCR\KVObject.KVEngine' 'HKCR\KVObject.KVEngine.1'
  (cd "$drive_c" && find . -path '*/[Tt]emp' -prune -o -print |
     grep -v -e '^\./Korvala Downloads' -e '^\./ScanXML\.xml$' -e '/AppData/Local/Microsoft/Windows/' | sort) >"$work/$1.files"
}
same_as_before() {  # what (registry or files), [the snapshots compared: before after]
  diff -u "$work/${2:-before}.$1" "$work/${3:-after}.$1" >"$work/$1.diff" || { head -40 "$work/$1.diff"; return 1; }
}
# A package refused: its step changed nothing in the registry or the files.
unchanged_since() {  # the snapshot taken before the step
  snapshot refused && same_as_before registry "$1" refused && same_as_before files "$1" refused
}

# Windows Installer's own keys and folder, which every Windows has and Wine makes at its first
# use: made before a snapshot, so that a comparison does not count them.
add_windows_installer_state() {
  local key
  for key in 'HKLM\Software\Classes\Installer\Features' 'HKLM\Software\Classes\Installer\Products' \
             'HKLM\Software\Classes\Installer\UpgradeCodes' 'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UpgradeCodes' \
             'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Components' \
             'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products'; do
    wine_out reg add "$key" /f >/dev/null
  done
  mkdir -p "$drive_c/windows/Installer"
}
# msiexec as a deployment tool runs it, logged into $logs; "log name" is the name of its log.
msiexec_exits() {  # log name, exit code, msiexec's arguments...
  local log=$1 expected=$2 result
  shift 2
  result=$(exit_code_of "msiexec $* /qn /l*v \"$(windows_path "$logs/$log.log")\"")
  [ "$result" = "$expected" ] || { echo "     msiexec $*: exit code $result, not $expected"; return 1; }
}
install_package() { echo /i "\"$(windows_path "$1")\""; }
logged() { grep -qaF "$2" "$logs/$1.log"; }
# The MSI package's launch condition that the setup's installation fails: its search found the
# setup's uninstall entry. Wine's msiexec logs neither the condition nor its message (which Windows
# shows and logs): the message is read from the package.
refused_beside_the_setup() {  # log name, package
  logged "$1" "SETUPINSTALLATION = " &&
    msiinfo export "$2" LaunchCondition | grep -qF "Korvala is installed on this computer by its setup program"
}

# A shortcut file holds its target's path as text.
shortcut_to_program() { [ -f "$1/Korvala.lnk" ] && grep -qa 'Korvala\\korvala-desk.exe' "$1/Korvala.lnk"; }
guest_scan_is() { reg_value "$settings_key" GuestScan | grep -qE "REG_BINARY\s+$1\$"; }
# The local Users group has one entry of its own on the settings key: reading and setting values
# (KEY_QUERY_VALUE | KEY_SET_VALUE), nothing more. Wine keeps access lists only while its server
# runs, which the prefix's persistent server does across these steps.
users_may_read_and_set_settings() {
  local rights
  rights=$(wine_out "$(windows_path "$tools/key_rights.exe")" 'Software\Korvala') || return 1
  sed 's/^/     /' <<<"$rights"
  [ "$(grep -c ' S-1-5-32-545 .* explicit$' <<<"$rights")" -eq 1 ] &&
    grep -q '^allow S-1-5-32-545 0x00000003 explicit$' <<<"$rights"
}
# A release's installed files, each with its valid signatures.
installed_files_signed() {
  local file
  for file in "$@"; do
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
# A script creates the installed KVObject by its ProgID, checks the given version and runs a full
# scan through it.
script_scans_with_library() {
  local output
  output=$(wine_out "$system\\cscript.exe" //nologo "$(windows_path "$client")" "$1")
  sed 's/^/     /' <<<"$output"
  grep -qxF "ok KVObject version $1" <<<"$output" && grep -qxF "ok full scan" <<<"$output"
}
installed_library_is() { cmp -s "$install_dir/KVObject.dll" "$1"; }

# Starts the installed program, by its path or (with "shortcut") through the Start menu's
# shortcut as the shell follows it, and waits for its window.
start_program() {
  if [ "${1:-}" = shortcut ]; then
    "$wine_run" start /wait /unix "$start_menu/Korvala.lnk" >/dev/null 2>&1 </dev/null &
  else
    "$wine_run" "$win_install_dir\\korvala-desk.exe" >/dev/null 2>&1 </dev/null &
  fi
  starter=$!
}
program_runs() { wine_out tasklist | grep -qi '^korvala-desk.exe'; }
# The installed program on a desktop of its own (run_program --desktop), out of reach of the
# windows of the installers' desktop as a program in another user's session is; run_program
# reports its end.
start_program_elsewhere() {
  "$wine_run" "$(windows_path "$tools/run_program.exe")" --desktop KorvalaElsewhere "\"$win_install_dir\\korvala-desk.exe\"" \
    >"$work/elsewhere.out" 2>/dev/null </dev/null &
  starter=$!
  wait_for 30 grep -qs '^started' "$work/elsewhere.out"
}
# No window of the program on this desktop: the close tool finds none.
program_window_out_of_reach() {
  wine_out "$(windows_path "$tools/close_program_window.exe")" 1 >/dev/null
  [ $? -eq 1 ]
}
program_elsewhere_ended() { wait_for 20 eval 'tr -d "\r" <"$work/elsewhere.out" | grep -qx "exit code 0"'; }
# The program with its options sheet open, as a user may leave it: a modal sheet keeps its main
# window from ending when asked to close, until the sheet is closed.
start_program_busy() {
  start_program
  wine_out "$(windows_path "$desk_button")" 1004 >/dev/null
}
end_program() {
  wine_out taskkill /f /im korvala-desk.exe >/dev/null
  wait "$starter" 2>/dev/null
  wait_for 10 eval '! program_runs'
}
# The program must show its window and end when that is closed. The close tool waits for the
# program itself: "start /wait" returns before a program that it started through a shortcut has
# ended, and a program still running holds its files against the next step.
program_starts_and_closes() {
  start_program "$@"
  local closed=1 starter_ended=1
  wine_out "$(windows_path "$tools/close_program_window.exe")" 30 >/dev/null && closed=0
  wait_for 30 eval '! kill -0 '"$starter"' 2>/dev/null' && starter_ended=0
  [ $closed -eq 0 ] && [ $starter_ended -eq 0 ] || end_program
  [ $closed -eq 0 ] && [ $starter_ended -eq 0 ]
}
# A browser that keeps the installed library loaded.
hold_installed_library() {
  "$wine_run" "$(windows_path "$tools/hold_library.exe")" "$win_install_dir\\KVObject.dll" 300 >"$work/holder.out" 2>/dev/null </dev/null &
  wait_for 30 grep -q '^loaded' "$work/holder.out"
}
release_installed_library() { wine_out taskkill /f /im hold_library.exe >/dev/null; }
# Windows replaces the files in use when it restarts (PendingFileRenameOperations); wineboot -r
# does the same for the prefix.
restart_replaces() {
  reg_value "$pending_renames_key" PendingFileRenameOperations | grep -qF "$win_install_dir\\$1"
}
restart_windows() { wine_out wineboot -r >/dev/null; }
no_pending_renames() { ! reg_value "$pending_renames_key" PendingFileRenameOperations >/dev/null; }
# What an earlier run that broke off may leave beside its installation, which the package's own
# uninstallation removes first: files waiting for a restart, and the folder with what is left in it.
clear_earlier_run() {
  no_pending_renames || restart_windows
  rm -rf "$install_dir"
}

# Registry views. A 64-bit prefix has two: the 32-bit one lives under Wow6432Node, where the
# prefix's own (64-bit) reg sees it beside the 64-bit one.
other_kind() { if [ "$kind" = win32 ]; then echo win64; else echo win32; fi; }
keys_in_view() {  # view, "all" or "none", keys of the view given as a function
  local key wrong=0
  while read -r key; do
    if wine_out reg query "$key" >/dev/null; then
      [ "$2" = none ] && { echo "     present: $key"; wrong=1; }
    else
      [ "$2" = all ] && { echo "     missing: $key"; wrong=1; }
    fi
  done < <("$3" "$1")
  [ $wrong -eq 0 ]
}
check_views() {  # what is expected in the packages' own view: "all" or "none"; what; view keys
  if [ "$WINEARCH" != win64 ]; then
    echo "     (a 32-bit prefix has one registry view)"
    return
  fi
  check "$2 in the package's own registry view ($kind)" keys_in_view "$kind" "$1" "$3"
  check "nothing in the other registry view ($(other_kind))" keys_in_view "$(other_kind)" none "$3"
}
view_node() { if [ "$1" = win32 ]; then echo '\Wow6432Node'; fi; }
# An installation's keys in the registry view of a kind: its settings, its uninstall entry (named
# $uninstall_name) and KVObject's class.
view_keys() {
  echo "HKLM\\Software$(view_node "$1")\\Korvala"
  echo "HKLM\\Software$(view_node "$1")\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$uninstall_name"
  echo "HKLM\\Software\\Classes$(view_node "$1")\\CLSID\\$kvengine_clsid\\InprocServer32"
}
