; Korvala setup: installs the desktop program and the automation library for all users of the
; machine, registers the library, and lists an uninstaller among the installed programs.
; CMake passes VERSION (major.minor), DESK_EXE, KVOBJECT_DLL and OUTFILE.
;
; Command line: /S installs or uninstalls silently. The uninstaller removes the user's settings
; (HKLM "Software\Korvala") unless the user keeps them when asked, or /KEEPSETTINGS is given.

;
; With WIN64 defined it packs the 64-bit test build instead: a 64-bit setup program that installs
; into the 64-bit Program Files and registry view.

!ifdef WIN64
Unicode true
Target amd64-unicode
!define PROGRAM_FILES "$PROGRAMFILES64"
!else
; An ANSI installer also runs on the Windows 9x family the product supports.
Unicode false
!define PROGRAM_FILES "$PROGRAMFILES"
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
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Korvala"
VIAddVersionKey "CompanyName" "Korvala"
VIAddVersionKey "FileDescription" "Korvala Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Korvala"

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

  ClearErrors
  RegDLL "$INSTDIR\KVObject.dll"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "The Korvala engine could not be registered. Setup stops; Korvala is not fully installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  Call WriteDefaultSettings

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
    keep:
  ${EndIf}
SectionEnd
