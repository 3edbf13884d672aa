; Korvala setup: installs the desktop program and the automation library for all users of the
; machine, registers the library, and lists an uninstaller among the installed programs.
; CMake passes the project's version as it writes it (VERSION), as four numbers (VERSION_NUMBERS)
; and as the version resources list it (VERSION_LISTED), the product's name and copyright notice
; (PRODUCT, COPYRIGHT), the program's icon (ICON), the MSI package's upgrade code (UPGRADE_CODE),
; the web service's base address (SERVICE_URL, for the help and about links), DESK_EXE,
; KVOBJECT_DLL, ACTIONS_DLL (the MSI package's custom actions, whose way of closing korvala-desk
; the setup calls) and OUTFILE. A release also passes SIGN, the signing script, which signs the
; uninstaller and the setup program.
;
; Command line: /S installs or uninstalls silently. The uninstaller removes the user's settings
; (HKLM "Software\Korvala") unless the user keeps them when asked, or /KEEPSETTINGS is given.
; Every user of the machine may read and set the settings' values (not more): the program keeps
; them for standard accounts too.
;
; Before it writes anything the setup stops when the account is no administrator, when a newer
; version is installed, when the MSI package's product is installed, and when a running
; korvala-desk, in any session, does not end within 15 s of being asked to close. A file in use
; (KVObject.dll in a browser) is replaced when Windows restarts. Exit codes: 0 installed;
; 1 cancelled by the user; 2 no administrator, or the library could not be registered;
; 3 korvala-desk still runs; 4 a newer version is installed; 5 the MSI package's product is
; installed; 3010 installed, and files in use are replaced at the next restart. The uninstaller
; checks the account (2) and closes korvala-desk (3) the same way, and ends with 3010 when a file
; goes at the next restart: a file in use, or, run in place ("_?="), the uninstaller itself.

;
; With WIN64 defined it packs the 64-bit test build instead: a 64-bit setup program that installs
; into the 64-bit Program Files and registry view.

!ifdef WIN64
Unicode true
Target amd64-unicode
!define PROGRAM_FILES "$PROGRAMFILES64"
; A pointer after an odd number of 32-bit fields lies on the next 8-byte boundary.
!define PAD_BEFORE_POINTER "&i4 0,"
!else
; An ANSI installer also runs on the Windows 9x family the product supports.
Unicode false
!define PROGRAM_FILES "$PROGRAMFILES"
!define PAD_BEFORE_POINTER ""
!endif

!include FileFunc.nsh
!include LogicLib.nsh
!include WordFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvala"
!define SETTINGS_KEY "Software\Korvala"
!define SHORTCUT_NAME "Korvala.lnk"
; The caption of korvala-desk's main window, as its user knows the program.
!define PROGRAM_CAPTION "Korvala 2007"
!define EXIT_NO_ADMINISTRATOR 2
!define EXIT_PROGRAM_RUNNING 3
!define EXIT_NEWER_INSTALLED 4
!define EXIT_MSI_INSTALLED 5
!define EXIT_RESTART_NEEDED 3010
!define MOVEFILE_DELAY_UNTIL_REBOOT 4

Name "Korvala"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\Korvala"
; An upgrade goes where the earlier installation is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
; Told the real DPI on Windows Vista and later, with the themed look of common controls 6.
ManifestDPIAware true
XPStyle on
Icon "${ICON}"
UninstallIcon "${ICON}"
SetCompressor /SOLID lzma
; The packed files carry no time of their own: one commit gives the same setup program each time.
SetDateSave off
!ifdef SIGN
  !uninstfinalize 'bash "${SIGN}" "%1"' = 0
  !finalize 'bash "${SIGN}" "%1"' = 0
!endif

VIProductVersion "${VERSION_NUMBERS}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "InternalName" "korvala-setup"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey "OriginalFilename" "korvala-setup.exe"
VIAddVersionKey "ProductVersion" "${VERSION_LISTED}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The program and its registration are machine-wide, so the shortcuts are the all-users ones,
; in the installer and the uninstaller alike.
!macro SetMachineContext
  SetShellVarContext all
!ifdef WIN64
  SetRegView 64
!endif
!macroend

; CheckTokenMembership for the Administrators group (S-1-5-32-544) answers FALSE for a limited
; account and for the restricted token that "Run as" gives with "Protect my computer and data"; on
; Windows XP the manifest's execution level asks for nothing, and with UAC off neither does Vista's
; or later. Windows 9x has neither the function nor accounts: the setup goes on there.
!macro DefineRefuseLimitedAccount UN
Function ${UN}RefuseLimitedAccount
  System::Call 'advapi32::ConvertStringSidToSid(t "S-1-5-32-544", *p .r1) i .r0'
  ${If} $0 == "error"
    Return
  ${EndIf}
  StrCpy $2 0
  ${If} $0 <> 0
    System::Call 'advapi32::CheckTokenMembership(p 0, p r1, *i .r2) i .r0'
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $2 = 0
    MessageBox MB_OK|MB_ICONSTOP "Korvala is installed for all users of this computer: log on as an administrator, then run Setup again." /SD IDOK
    SetErrorLevel ${EXIT_NO_ADMINISTRATOR}
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DefineRefuseLimitedAccount ""
!insertmacro DefineRefuseLimitedAccount "un."

; The MSI package's installation (any version: its upgrade code) shares the folder, the
; registration, the settings and the shortcut: the setup is not installed beside it. Windows 9x
; without Windows Installer: the call fails, and the setup goes on.
Function RefuseMsiInstallation
  System::Call 'msi::MsiEnumRelatedProducts(t "{${UPGRADE_CODE}}", i 0, i 0, t .r1) i .r0'
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "Korvala is installed on this computer from its MSI package (korvala.msi): uninstall it first (Programs and Features), then run Setup again." /SD IDOK
    SetErrorLevel ${EXIT_MSI_INSTALLED}
    Quit
  ${EndIf}
FunctionEnd

; An older setup leaves a newer installation alone.
Function RefuseDowngrade
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 == ""
    Return
  ${EndIf}
  ${VersionCompare} $0 "${VERSION}" $1
  ${If} $1 = 1
    MessageBox MB_OK|MB_ICONSTOP "Korvala $0 is installed, which is newer than this setup's version ${VERSION}: Setup stops." /SD IDOK
    SetErrorLevel ${EXIT_NEWER_INSTALLED}
    Quit
  ${EndIf}
FunctionEnd

; Asks every running korvala-desk, in every session and on every desktop, to close as its user
; does, and waits for their processes to end, at most 15 s in all: the MSI package's custom action
; does it (korvala-actions.dll). A program still running then stops the setup or the uninstaller
; before it changes anything; with a window the user may close it and try again.
!macro DefineCloseRunningProgram UN
Function ${UN}CloseRunningProgram
  InitPluginsDir
  File "/oname=$PLUGINSDIR\korvala-actions.dll" "${ACTIONS_DLL}"
  retry:
  System::Call '$PLUGINSDIR\korvala-actions.dll::CloseRunningKorvalaForSetup() i .r0 ?u'
  ${If} $0 <> 0
    Return
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PROGRAM_CAPTION} is still running and did not close. Close it, then choose Retry." /SD IDCANCEL IDRETRY retry
  SetErrorLevel ${EXIT_PROGRAM_RUNNING}
  Quit
FunctionEnd
!macroend
!insertmacro DefineCloseRunningProgram ""
!insertmacro DefineCloseRunningProgram "un."

Function .onInit
  !insertmacro SetMachineContext
  Call RefuseLimitedAccount
  Call RefuseDowngrade
  Call RefuseMsiInstallation
  Call CloseRunningProgram
FunctionEnd

Function un.onInit
  !insertmacro SetMachineContext
  Call un.RefuseLimitedAccount
  Call un.CloseRunningProgram
FunctionEnd

; Files in use are replaced or removed at the next restart: the exit code says so, and with a
; window the user may restart now.
!macro DefineReportRestart UN
Function ${UN}ReportRestart
  IfRebootFlag 0 done
  SetErrorLevel ${EXIT_RESTART_NEEDED}
  MessageBox MB_YESNO|MB_ICONQUESTION "Files in use are replaced when Windows restarts. Restart now?" /SD IDNO IDNO done
  Reboot
  done:
FunctionEnd
!macroend
!insertmacro DefineReportRestart ""
!insertmacro DefineReportRestart "un."

Function .onInstSuccess
  Call ReportRestart
FunctionEnd

Function un.onUninstSuccess
  Call un.ReportRestart
FunctionEnd

; Unpacks a payload file; when the installed one is in use (KVObject.dll in a browser), the new
; one is unpacked beside it and Windows puts it in place at the next restart (the reboot flag).
!macro InstallFileReplacedAtRestart NAME SOURCE
  SetOverwrite try
  ClearErrors
  File "/oname=${NAME}" "${SOURCE}"
  ${If} ${Errors}
    GetTempFileName $0 "$INSTDIR"
    File "/oname=$0" "${SOURCE}"
    Rename /REBOOTOK $0 "$INSTDIR\${NAME}"
  ${EndIf}
  SetOverwrite on
!macroend

; "GuestScan" 0 (4 bytes of REG_BINARY, as the program writes it) unless the value exists:
; an upgrade keeps the user's choice.
Function WriteDefaultSettings
  StrCpy $0 0
  ${Do}
    ClearErrors
    EnumRegValue $1 HKLM "${SETTINGS_KEY}" $0
    ${If} ${Errors}
    ${OrIf} $1 == ""
      WriteRegBin HKLM "${SETTINGS_KEY}" "GuestScan" 00000000
      Return
    ${EndIf}
    ${If} $1 == "GuestScan"
      Return
    ${EndIf}
    IntOp $0 $0 + 1
  ${Loop}
FunctionEnd

; The local Users group (S-1-5-32-545) gets exactly the rights the program opens the settings with,
; KEY_QUERY_VALUE | KEY_SET_VALUE, as one access entry of its own beside the rights the key
; inherits; without it a standard account's writes fail (or, on Vista and later, land in a
; per-user copy that nothing removes). Windows 9x keeps no access lists: the calls fail there and
; nothing changes.
!define USERS_SETTINGS_RIGHTS 3
; The predefined handle, sign-extended as a 64-bit program passes it.
!define HKEY_LOCAL_MACHINE -2147483646
!define READ_CONTROL_AND_WRITE_DAC 0x60000
!define SE_REGISTRY_KEY 4
!define DACL_SECURITY_INFORMATION 4
!define SET_ACCESS 2
!define NO_INHERITANCE 0
!define TRUSTEE_IS_SID 0
!define TRUSTEE_IS_WELL_KNOWN_GROUP 5
Function GrantUsersTheSettings
  System::Call 'advapi32::RegOpenKeyEx(p ${HKEY_LOCAL_MACHINE}, t "${SETTINGS_KEY}", i 0, i ${READ_CONTROL_AND_WRITE_DAC}, *p .r0) i .r9'
  ${If} $9 <> 0
    Return
  ${EndIf}
  System::Call 'advapi32::ConvertStringSidToSid(t "S-1-5-32-545", *p .r1) i .r9'
  ${If} $9 <> 0
    ; $2: the key's access list, inside the descriptor $3
    System::Call 'advapi32::GetSecurityInfo(p r0, i ${SE_REGISTRY_KEY}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, *p .r2, p 0, *p .r3) i .r9'
    ${If} $9 = 0
      ; EXPLICIT_ACCESS: rights, mode, inheritance, then the trustee: no multiple trustee, given by
      ; its SID, a well-known group.
      System::Call '*(i ${USERS_SETTINGS_RIGHTS}, i ${SET_ACCESS}, i ${NO_INHERITANCE}, ${PAD_BEFORE_POINTER} p 0, i 0, i ${TRUSTEE_IS_SID}, i ${TRUSTEE_IS_WELL_KNOWN_GROUP}, ${PAD_BEFORE_POINTER} p r1) p .r4'
      System::Call 'advapi32::SetEntriesInAcl(i 1, p r4, p r2, *p .r5) i .r9'
      ${If} $9 = 0
        System::Call 'advapi32::SetSecurityInfo(p r0, i ${SE_REGISTRY_KEY}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, p r5, p 0) i .r9'
        System::Call 'kernel32::LocalFree(p r5)'
      ${EndIf}
      System::Free $4
      System::Call 'kernel32::LocalFree(p r3)'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  System::Call 'advapi32::RegCloseKey(p r0)'
FunctionEnd

Section "Korvala"
  SetOutPath "$INSTDIR"
  !insertmacro InstallFileReplacedAtRestart korvala-desk.exe "${DESK_EXE}"
  !insertmacro InstallFileReplacedAtRestart KVObject.dll "${KVOBJECT_DLL}"

  ; The uninstaller comes before the registration so that a failed installation can be removed.
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvala"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvala"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvala-desk.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; "_?=" runs the uninstaller in place, so that whoever starts it waits for its end (without it,
  ; it copies itself away, starts the copy and returns at once). It must come last, unquoted.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${SERVICE_URL}/help.php"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${SERVICE_URL}/about.php"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; What the installation takes on disk, in KB, as Programs and Features shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; A library in use is registered through the file still in place: the registration names the
  ; path, where the new file will be after the restart, and holds nothing else that differs.
  ClearErrors
  RegDLL "$INSTDIR\KVObject.dll"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "The Korvala engine could not be registered. Setup stops; Korvala is not fully installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  Call WriteDefaultSettings
  Call GrantUsersTheSettings

  ; Creating a shortcut replaces one of the same name, so an upgrade leaves one of each.
  CreateShortCut "$SMPROGRAMS\${SHORTCUT_NAME}" "$INSTDIR\korvala-desk.exe"
  CreateShortCut "$DESKTOP\${SHORTCUT_NAME}" "$INSTDIR\korvala-desk.exe"
SectionEnd

Section "Uninstall"
  UnRegDLL "$INSTDIR\KVObject.dll"
  Delete /REBOOTOK "$INSTDIR\KVObject.dll"
  Delete /REBOOTOK "$INSTDIR\korvala-desk.exe"
  ; Run in place ("_?="), the uninstaller holds its own file open without sharing its deletion:
  ; neither deleting nor renaming it works. It and the folder then go at the next restart, and
  ; the reboot flag says so (3010): a setup run before that restart would write an uninstaller
  ; that the restart deletes.
  ${If} $EXEPATH == "$INSTDIR\uninstall.exe"
    System::Call 'kernel32::MoveFileEx(t "$INSTDIR\uninstall.exe", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
    System::Call 'kernel32::MoveFileEx(t "$INSTDIR", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
    SetRebootFlag true
  ${Else}
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: files the user put there stay.
    RMDir "$INSTDIR"
  ${EndIf}

  Delete "$SMPROGRAMS\${SHORTCUT_NAME}"
  Delete "$DESKTOP\${SHORTCUT_NAME}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KEEPSETTINGS" $1
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Keep your Korvala settings (e-mail address, password and guest scan) for a later installation?" /SD IDNO IDYES keep
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    ; Copies that Windows made for a standard account of this user when earlier versions gave it no
    ; rights on the key (registry virtualization, Vista and later).
    DeleteRegKey HKCU "Software\Classes\VirtualStore\MACHINE\SOFTWARE\Korvala"
    DeleteRegKey HKCU "Software\Classes\VirtualStore\MACHINE\SOFTWARE\WOW6432Node\Korvala"
    keep:
  ${EndIf}
SectionEnd
