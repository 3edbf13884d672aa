; Korvala setup: installs the desktop program and the automation library for all users of the
; machine, registers the library, and lists an uninstaller among the installed programs.
; CMake passes the project's version as it writes it (VERSION), as four numbers (VERSION_NUMBERS)
; and as the version resources list it (VERSION_LISTED), the product's name and copyright notice
; (PRODUCT, COPYRIGHT), the program's icon (ICON), DESK_EXE, KVOBJECT_DLL and OUTFILE. A release
; also passes SIGN, the signing script, which signs the uninstaller and the setup program.
;
; Command line: /S installs or uninstalls silently. The uninstaller removes the user's settings
; (HKLM "Software\Korvala") unless the user keeps them when asked, or /KEEPSETTINGS is given.
; Every user of the machine may read and set the settings' values (not more): the program keeps
; them for standard accounts too.

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

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvala"
!define SETTINGS_KEY "Software\Korvala"
!define SHORTCUT_NAME "Korvala.lnk"

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

Function .onInit
  !insertmacro SetMachineContext
FunctionEnd

Function un.onInit
  !insertmacro SetMachineContext
FunctionEnd

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
  File "/oname=korvala-desk.exe" "${DESK_EXE}"
  File "/oname=KVObject.dll" "${KVOBJECT_DLL}"

  ; The uninstaller comes before the registration so that a failed installation can be removed.
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvala"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvala"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvala-desk.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; What the installation takes on disk, in KB, as Programs and Features shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

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
  Delete "$INSTDIR\KVObject.dll"
  Delete "$INSTDIR\korvala-desk.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"

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
