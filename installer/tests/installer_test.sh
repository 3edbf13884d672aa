#!/usr/bin/env bash
# Installs korvala-setup.exe silently into the test prefix as deployment tools do and checks what
# it put in place (files, shortcuts, keys and the rights on the settings key, COM registration,
# the library from a script, the program starting), and the rules of an upgrade from the previous
# version: a limited account is refused before anything is written (2), a running korvala-desk
# that does not close stops the setup (3), a running one on another desktop is closed, a library
# in use is replaced at the next restart (3010), an older setup leaves a newer installation alone
# (4), and the MSI package is refused beside it (1603, nothing changed). The uninstaller refuses a
# limited account (2). Then it uninstalls silently through the quiet uninstall string, which
# returns when all is done and asks for the restart that removes the uninstaller (3010), and
# compares the registry and the file tree with their state before the installation. In a 64-bit
# prefix a 32-bit setup works in the 32-bit program folder and registry view (Wow6432Node), a
# 64-bit one in the 64-bit ones; both views are checked. msiexec's logs stay in
# installer_test_logs beside the test when a check fails.
# A release's setup is checked with its signing certificate: the installed files carry valid
# signatures.
# Usage: installer_test.sh <korvala.msi> <korvala-setup.exe> <the previous version's korvala-setup.exe>
#        ... (see installer_test_lib.sh)
set -uo pipefail
msi_package=$(realpath "$1")
shift
. "$(dirname "$0")/installer_test_lib.sh"
keep_logs_in installer_test_logs
virtual_settings_key='HKCU\Software\Classes\VirtualStore\MACHINE\SOFTWARE\Korvala'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvala'
uninstall_name=Korvala

installed_files() {
  [ -f "$install_dir/korvala-desk.exe" ] && [ -f "$install_dir/KVObject.dll" ] && [ -f "$install_dir/uninstall.exe" ]
}
one_shortcut_in() { [ "$(find "$1" -maxdepth 1 -iname '*korvala*' | wc -l)" -eq 1 ]; }
no_credentials() { ! reg_value "$settings_key" Username && ! reg_value "$settings_key" Password; }
# The size that Programs and Features shows (KB): at least that of the program and the library.
installed_size_in_kb() {
  local least size
  least=$(( ($(stat -c %s "$install_dir/korvala-desk.exe") + $(stat -c %s "$install_dir/KVObject.dll")) / 1024 ))
  size=$(reg_value "$uninstall_key" EstimatedSize | sed -n 's/.*REG_DWORD\s\+0x\([0-9a-fA-F]\+\)$/\1/p')
  [ -n "$size" ] && [ $((16#$size)) -ge "$least" ]
}
listed_version_is() { reg_value "$uninstall_key" DisplayVersion | grep -qE "REG_SZ\s+${1//./\\.}\$"; }
listed_as_installed() {
  reg_value "$uninstall_key" DisplayName | grep -q 'REG_SZ\s\+Korvala$' && listed_version_is "$version" &&
  reg_value "$uninstall_key" Publisher | grep -q 'REG_SZ\s\+Korvala$' &&
  reg_value "$uninstall_key" UninstallString | grep -qF "\"$win_install_dir\\uninstall.exe\"" &&
  installed_size_in_kb
}
setup_exits() {  # setup, exit code, [--limited]
  local result
  result=$(exit_code_of ${3:-} "\"$(windows_path "$1")\" /S")
  [ "$result" = "$2" ] || { echo "     exit code $result, not $2"; return 1; }
}
installed_library_sum() { md5sum <"$install_dir/KVObject.dll"; }
# As a deployment tool runs it: the quiet uninstall string as Programs and Features lists it, with
# further options before its last one ("_?=", which must come last).
quiet_uninstall_exits() {  # exit code, [--limited], options...
  local expected=$1 command result limited=()
  shift
  [ "${1:-}" = --limited ] && { limited=(--limited); shift; }
  command=$(reg_value "$uninstall_key" QuietUninstallString | sed 's/^\s*QuietUninstallString\s\+REG_SZ\s\+//')
  [[ "$command" == *' _?='* ]] || { echo "     quiet uninstall string: '$command'"; return 1; }
  result=$(exit_code_of "${limited[@]}" "${command% _?=*} $* _?=${command##* _?=}")
  [ "$result" = "$expected" ] || { echo "     '$command': exit code $result, not $expected"; return 1; }
}
# Run in place, the uninstaller cannot delete its own file: it and the folder go at the next
# restart.
only_uninstaller_left() {
  [ "$(ls -A "$install_dir")" = uninstall.exe ] && restart_replaces uninstall.exe && nothing_installed_left inside
}
nothing_installed_left() {
  { [ "${1:-}" = inside ] || [ ! -e "$install_dir" ]; } && [ ! -e "$start_menu/Korvala.lnk" ] && [ ! -e "$desktop/Korvala.lnk" ] &&
  ! key_exists "$uninstall_key" && ! key_exists 'HKCR\KVObject.KVEngine'
}

# An earlier run that broke off may have left an installation: remove it first.
[ -f "$install_dir/uninstall.exe" ] && quiet_uninstall_exits 3010 >/dev/null
clear_earlier_run
wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null
add_windows_installer_state

# The first script run makes Wine register its scripting host's own types: let that happen
# before the snapshot.
check "no KVObject for scripts before the installation" eval '! script_scans_with_library "$version" >/dev/null'
snapshot before

echo "== a limited account"
check "setup /S as a limited account stops with 2" setup_exits "$package" 2 --limited
snapshot after
check "registry untouched" same_as_before registry
check "files untouched" same_as_before files

echo "== the previous version, then an upgrade while korvala-desk runs with its options sheet open"
check "setup /S of version $previous_version succeeds" setup_exits "$previous_package" 0
check "no e-mail address or password written" no_credentials
wine_out "$system\\reg.exe" add "$settings_key" /v GuestScan /t REG_BINARY /d 01000000 /f >/dev/null
previous_library=$(installed_library_sum)
start_program_busy
check "setup /S stops with 3" setup_exits "$package" 3
check "the previous version stays installed whole" eval \
  'installed_files && listed_version_is "$previous_version" && [ "$(installed_library_sum)" = "$previous_library" ]'
end_program

echo "== upgrade while korvala-desk runs on another desktop and a browser holds the library"
check "korvala-desk runs on a desktop of its own" start_program_elsewhere
check "its window is out of reach of this desktop" program_window_out_of_reach
check "a browser holds the installed library" hold_installed_library
check "setup /S upgrades and asks for a restart (3010)" setup_exits "$package" 3010
check "the program on the other desktop closed" program_elsewhere_ended
check "the new library is put in place at the next restart" restart_replaces KVObject.dll
check "KVObject's registration names the installed library" library_registered_installed
release_installed_library
restart_windows
check "after the restart the new library is installed" eval '[ "$(installed_library_sum)" != "$previous_library" ]'
check "nothing is left to replace" no_pending_renames
check "the user's GuestScan choice is kept" guest_scan_is 01000000
check "program, library and uninstaller installed" installed_files
if [ -n "$certificate" ]; then
  check "the installed program, library and uninstaller are signed" \
    installed_files_signed korvala-desk.exe KVObject.dll uninstall.exe
fi
check "Start menu shortcut to the program" shortcut_to_program "$start_menu"
check "desktop shortcut to the program" shortcut_to_program "$desktop"
check "users may read and set the settings, nothing more" users_may_read_and_set_settings
check "listed among the installed programs" listed_as_installed
check "KVObject registered from the installation folder" library_registered_installed
check "a script runs a full scan through KVObject $version" script_scans_with_library "$version"
check "the installed program shows its window and closes" program_starts_and_closes
check "the Start menu shortcut starts the program" program_starts_and_closes shortcut
check_views all "settings, uninstall entry and KVObject's class" view_keys

echo "== installing over the installation, and the previous version over it"
check "setup /S over the installation succeeds" setup_exits "$package" 0
check "one Start menu shortcut" one_shortcut_in "$start_menu"
check "one desktop shortcut" one_shortcut_in "$desktop"
check "the user's GuestScan choice is still kept" guest_scan_is 01000000
check "users' rights on the settings unchanged" users_may_read_and_set_settings
check "the setup of version $previous_version stops with 4" setup_exits "$previous_package" 4
check "version $version stays installed" eval 'installed_files && listed_as_installed'
snapshot setup-installed
check "the MSI package stops with 1603" msiexec_exits msi-beside-setup 1603 $(install_package "$msi_package")
check "its condition on the setup's installation stopped it" refused_beside_the_setup msi-beside-setup "$msi_package"
check "the uninstaller as a limited account stops with 2" quiet_uninstall_exits 2 --limited
check "nothing changed" unchanged_since setup-installed

echo "== silent uninstallation keeping the settings, as a deployment tool runs it"
check "the quiet uninstall string succeeds, asking for a restart (3010)" quiet_uninstall_exits 3010 /KEEPSETTINGS
check "and has removed the installation when it returns" only_uninstaller_left
restart_windows
check "the uninstaller and its folder go at the next restart" nothing_installed_left
check "the settings are kept" guest_scan_is 01000000
wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null

echo "== silent uninstallation"
check "setup /S again succeeds" setup_exits "$package" 0
# What Windows keeps for a standard account that an earlier version gave no rights on the key.
wine_out reg add "$virtual_settings_key" /v Password /t REG_SZ /d 3d08 /f >/dev/null
check "the quiet uninstall string succeeds, asking for a restart (3010)" quiet_uninstall_exits 3010
check "and has removed the installation and the settings when it returns" \
  eval 'only_uninstaller_left && ! key_exists "$settings_key"'
restart_windows
check "the uninstaller and its folder go at the next restart" nothing_installed_left
check "the user's virtualized copy of the settings is removed" eval '! key_exists "$virtual_settings_key"'
check_views none "no key of the installation" view_keys
snapshot after
check "registry as before the installation" same_as_before registry
check "files as before the installation" same_as_before files

end_of_test
