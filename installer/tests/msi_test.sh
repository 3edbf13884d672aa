#!/usr/bin/env bash
# The MSI package under Wine's msiexec, run as deployment tools run it (/qn): its tables as Windows
# Installer reads them (file versions, short names, the order of the upgrade); its registration is
# what regsvr32 writes (both registry views of a 64-bit prefix); an upgrade from the previous
# version keeps GuestScan, closes a running korvala-desk on another desktop and replaces a library
# in use at the next restart (3010); a program that does not close, a downgrade, and the setup
# program's installation stop it before anything changes (1603), and the setup program refuses
# the package's installation (5); an upgrade and an uninstallation made to fail after the earlier
# version or the settings were removed are rolled back, as far as Wine rolls back; uninstallation
# leaves the registry and the files as they were. msiexec's logs
# (/l*v) stay in msi_test_logs beside the test when a check fails.
# Usage: msi_test.sh <this version's test package with the failing action> <korvala-setup.exe>
#        <korvala.msi> <the previous version's korvala.msi> ... (see installer_test_lib.sh)
set -uo pipefail
failing_package=$(realpath "$1") setup=$(realpath "$2")
shift 2
. "$(dirname "$0")/installer_test_lib.sh"
keep_logs_in msi_test_logs

product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
code=$(product_code "$package") previous_code=$(product_code "$previous_package")
uninstall_name=$code
uninstall_entry() { echo "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"; }
# The libraries the packages carry. Where msiextract puts a file depends on the package's
# architecture (a 32-bit package's Program Files folder is kept in the path, a 64-bit one's is
# dropped), so the library is looked for in what was extracted.
extracted_library() {  # the folder a package was extracted into
  local found
  mapfile -t found < <(find "$1" -type f -name KVObject.dll)
  if [ ${#found[@]} -ne 1 ]; then
    echo "msi_test: expected one KVObject.dll in the package extracted to $1, found ${#found[@]}: ${found[*]}" >&2
    exit 1
  fi
  echo "${found[0]}"
}
for which in package previous_package; do
  msiextract -C "$work/$which" "${!which}" >/dev/null
done
library=$(extracted_library "$work/package") || exit 1
previous_library=$(extracted_library "$work/previous_package") || exit 1

# The package's tables as Windows Installer reads them (what Wine's msiexec does not judge).
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
# Each versioned file carries the version and language of its own version resource, and no hash
# (which is for unversioned files: Windows would then compare it as one); each long name has an
# 8.3 name beside it.
files_carry_their_versions() {
  local key name version language resource
  table "$package" File | sed 's/^/     /'
  while IFS=$'\t' read -r key _ name _ version language _; do
    [[ "$name" == *'|'* ]] || [[ "$name" =~ ^[^.]{1,8}(\.[^.]{1,3})?$ ]] || { echo "     $key: no short name"; return 1; }
    resource=$(wrestool -x --raw -t 16 "$(find "$work/package" -type f -name "${name##*|}")" 2>/dev/null |
               python3 "$(dirname "$wine_run")/version-resource.py" 2>/dev/null) || continue
    [ "$version" = "$(sed -n 's/^FileVersion=//p' <<<"$resource" | head -1)" ] &&
      [ "$language" = "$((16#$(sed -n 's|^\([0-9a-fA-F]\{4\}\)[0-9a-fA-F]\{4\}/.*|\1|p' <<<"$resource" | head -1)))" ] &&
      ! table "$package" MsiFileHash | grep -q "^$key"$'\t' || { echo "     $key: version '$version', language '$language'"; return 1; }
  done < <(table "$package" File)
}
sequence_of() { table "$package" InstallExecuteSequence | awk -F'\t' -v action="$1" '$1 == action { print $3 }'; }
# Inside the installation's script (after InstallInitialize), so that a failure rolls the removal
# back; the running programs are closed before the script starts.
removes_earlier_version_in_the_script() {
  [ "$(sequence_of CloseRunningKorvala)" -lt "$(sequence_of InstallInitialize)" ] &&
    [ "$(sequence_of InstallInitialize)" -lt "$(sequence_of RemoveExistingProducts)" ] &&
    [ "$(sequence_of RemoveExistingProducts)" -lt "$(sequence_of InstallFinalize)" ]
}
# Immediate (1) without NoImpersonate, which is for deferred actions only (ICE68); deferred (1024)
# as the system (2048); the rollback (256) and the commit (512) of the settings' removal; no test
# action in the shipped package.
custom_actions_are() {
  diff <(table "$package" CustomAction | cut -f1,2 | sort) - <<'KINDS'
CloseRunningKorvala	1
ForgetSettingsBackup	3585
GrantUsersTheSettingsKey	3073
RemoveSettingsKey	3073
RestoreSettingsKey	3329
KINDS
}

# The package's own registry view: KVObject's keys where Windows puts them for the package's kind.
registration_keys() {
  local classes key
  for classes in 'HKLM\Software\Classes' 'HKLM\Software\Classes\Wow6432Node'; do
    for key in KVObject.KVEngine KVObject.KVEngine.1 "CLSID\\$kvengine_clsid" \
               'TypeLib\{8E62C4E5-ACB2-4173-BF6D-E08F52F7BB9E}' 'Interface\{2751548B-5BDB-487E-B341-972AD32D4FA0}'; do
      echo "$classes\\$key"
    done
  done
}
registration_as_regsvr32_writes() {
  export_keys "$work/msi.registration" $(registration_keys | tr '\n' ' ')
  diff -u "$work/regsvr32.registration" "$work/msi.registration" >"$work/registration.diff" ||
    { head -40 "$work/registration.diff"; return 1; }
}
# Wine's msiexec puts a per-machine package's shortcuts into the user's Start menu (it does not
# follow ALLUSERS there, a Wine fault); Windows into the all-users one.
app_data=$(wine_out "$system\\cmd.exe" /c echo %APPDATA%)
wine_msi_start_menu=$drive_c/$(echo "${app_data#C:\\}" | tr '\\' /)/Microsoft/Windows/Start\ Menu/Programs
shortcut_in_start_menu() { shortcut_to_program "$start_menu" || shortcut_to_program "$wine_msi_start_menu"; }
installed_whole() {  # the library installed
  [ -f "$install_dir/korvala-desk.exe" ] && installed_library_is "$1" && shortcut_in_start_menu
}
nothing_installed_left() {
  [ ! -e "$install_dir" ] && [ ! -e "$start_menu/Korvala.lnk" ] && [ ! -e "$wine_msi_start_menu/Korvala.lnk" ] &&
  ! key_exists "$(uninstall_entry "$code")" && ! key_exists 'HKCR\KVObject.KVEngine' && ! key_exists "$settings_key"
}

# An earlier run that broke off may have left an installation: remove it first.
for earlier in "$code" "$previous_code"; do
  key_exists "$(uninstall_entry "$earlier")" && msiexec_exits cleanup 0 /x "$earlier"
done
clear_earlier_run
wine_out "$system\\reg.exe" delete "$settings_key" /f >/dev/null
add_windows_installer_state
# The first script run makes Wine register its scripting host's own types: let that happen
# before the snapshot.
wine_out "$system\\cscript.exe" //nologo "$(windows_path "$client")" >/dev/null
snapshot before

echo "== the package's tables"
check "each versioned file with its version and language, no hash; short names" files_carry_their_versions
check "the earlier version is removed inside the installation's script" removes_earlier_version_in_the_script
check "the custom actions' kinds" custom_actions_are

echo "== what regsvr32 registers, from where the package installs the library"
mkdir -p "$install_dir" && cp "$library" "$install_dir/KVObject.dll"
wine_out "$system\\regsvr32.exe" /s "$win_install_dir\\KVObject.dll"
export_keys "$work/regsvr32.registration" $(registration_keys | tr '\n' ' ')
wine_out "$system\\regsvr32.exe" /s /u "$win_install_dir\\KVObject.dll"
rm -rf "$install_dir"
check "regsvr32 registered KVObject" grep -qF 'KVEngine Class' "$work/regsvr32.registration"

echo "== the previous version, installed silently"
check "msiexec /i (version $previous_version) /qn succeeds" msiexec_exits previous 0 $(install_package "$previous_package")
check "GuestScan is 0 as 4 bytes of REG_BINARY" guest_scan_is 00000000
check "users may read and set the settings, nothing more" users_may_read_and_set_settings
wine_out "$system\\reg.exe" add "$settings_key" /v GuestScan /t REG_BINARY /d 01000000 /f >/dev/null

echo "== an upgrade made to fail after the previous version was removed"
check "msiexec /i (version $version, FAILFORTEST=1) stops with 1603" \
  msiexec_exits failed-upgrade 1603 $(install_package "$failing_package") FAILFORTEST=1
check "the previous version was removed before the failure" eval \
  'grep -a "Action start" "$logs/failed-upgrade.log" | grep -A1000 RemoveExistingProducts | grep -q FailForTest'
check "version $version is not listed" eval '! key_exists "$(uninstall_entry "$code")"'
# Windows rolls the removal back with the rest; Wine's msiexec removes the earlier version in a
# process of its own, outside the installation's rollback: there it is installed again.
if ! key_exists "$(uninstall_entry "$previous_code")"; then
  echo "     (Wine: the previous version was removed outside the rollback; installed again)"
  msiexec_exits previous-again 0 $(install_package "$previous_package")
  wine_out "$system\\reg.exe" add "$settings_key" /v GuestScan /t REG_BINARY /d 01000000 /f >/dev/null
fi
check "the previous version is installed whole" installed_whole "$previous_library"

echo "== upgrade while korvala-desk runs with its options sheet open"
start_program_busy
check "the upgrade stops with 1603" msiexec_exits program-busy 1603 $(install_package "$package")
check "its log says that the program did not close" logged program-busy "Korvala 2007 is still running"
check "the previous version stays installed whole" installed_whole "$previous_library"
check "and listed among the installed programs" key_exists "$(uninstall_entry "$previous_code")"
end_program

echo "== upgrade while korvala-desk runs on another desktop and a browser holds the library"
check "korvala-desk runs on a desktop of its own" start_program_elsewhere
check "its window is out of reach of this desktop" program_window_out_of_reach
check "a browser holds the installed library" hold_installed_library
check "msiexec /i (version $version) upgrades and asks for a restart (3010)" \
  msiexec_exits upgrade 3010 $(install_package "$package")
check "the program on the other desktop closed" program_elsewhere_ended
check "the user's GuestScan choice is kept" guest_scan_is 01000000
check "the previous version is no longer listed" eval '! key_exists "$(uninstall_entry "$previous_code")"'
check "the new library is put in place at the next restart" restart_replaces KVObject.dll
check "KVObject's registration names the installed library" library_registered_installed
release_installed_library
restart_windows
check "after the restart the new library is installed" installed_whole "$library"
check "nothing is left to replace" no_pending_renames
check "KVObject's registration is what regsvr32 writes" registration_as_regsvr32_writes
check "a script runs a full scan through KVObject $version" script_scans_with_library "$version"
check "users may still read and set the settings, nothing more" users_may_read_and_set_settings
if [ -n "$certificate" ]; then
  check "the installed program and library are signed" installed_files_signed korvala-desk.exe KVObject.dll
fi
check_views all "settings, uninstall entry and KVObject's class" view_keys

echo "== the previous version over this one"
check "msiexec /i (version $previous_version) stops with 1603" msiexec_exits downgrade 1603 $(install_package "$previous_package")
# The condition's message is what Windows shows and logs (Wine's msiexec logs only the condition).
check "its downgrade condition stopped it" logged downgrade "WIX_DOWNGRADE_DETECTED = {"
check "with the message that a newer version is installed" eval \
  'msiinfo export "$previous_package" LaunchCondition | grep -qF "A newer version of Korvala is already installed"'
check "version $version stays installed whole" installed_whole "$library"

echo "== the setup program over the package's installation"
snapshot msi-installed
check "setup /S stops with 5" eval '[ "$(exit_code_of "\"$(windows_path "$setup")\" /S")" = 5 ]'
check "nothing changed" unchanged_since msi-installed

echo "== silent uninstallation"
check "msiexec /x {ProductCode} /qn succeeds" msiexec_exits uninstall 0 /x "$code"
check "nothing of the installation left" nothing_installed_left
check_views none "no key of the installation" view_keys

echo "== an uninstallation made to fail after the settings were removed"
check "msiexec /i (version $version with the failing action) succeeds" \
  msiexec_exits failing-installed 0 $(install_package "$failing_package")
wine_out "$system\\reg.exe" add "$settings_key" /v Username /t REG_SZ /d user@example.com /f >/dev/null
check "msiexec /x {ProductCode} FAILFORTEST=1 stops with 1603" msiexec_exits failed-uninstall 1603 /x "$code" FAILFORTEST=1
check "the settings were removed before the failure" eval \
  'grep -a "Action start" "$logs/failed-uninstall.log" | grep -A1000 RemoveSettingsKey | grep -q FailForTest'
check "the settings are back with their values" eval \
  'guest_scan_is 00000000 && reg_value "$settings_key" Username | grep -q user@example.com'
check "and their rights" users_may_read_and_set_settings
check "no backup of them is left" eval '! key_exists "HKLM\\Software\\Korvala.backup"'
# Windows rolls the whole uninstallation back; Wine's msiexec forgets the product all the same.
if ! key_exists "$(uninstall_entry "$code")"; then
  echo "     (Wine: the product is no longer registered after the failure; installed again)"
  msiexec_exits failing-again 0 $(install_package "$failing_package")
fi
check "msiexec /x {ProductCode} succeeds" msiexec_exits failing-uninstall 0 /x "$code"
check "nothing of the installation left" nothing_installed_left
snapshot after
check "registry as before the installation" same_as_before registry
check "files as before the installation" same_as_before files

end_of_test
