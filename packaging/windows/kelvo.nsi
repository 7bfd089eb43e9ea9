; SPDX-License-Identifier: GPL-3.0-or-later
; The per-user installer of Kelvo for Windows: no administrator rights, installed into
; %LOCALAPPDATA%\Programs\Kelvo, a Start-menu entry, an uninstaller registered under HKCU
; with the version and the publisher (Settings > Apps). Built by scripts/package-windows.sh,
; which hands in the version of CMakeLists.txt:
;   makensis -DVERSION=<x.y.z> -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> kelvo.nsi

Unicode true
; A 64-bit installer: the default x86 stub does not start under a 64-bit-only Wine, and the
; program is 64-bit anyway.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define APP "Kelvo"
!define PUBLISHER "The Kelvo developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvo"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
; The setup program's own file properties (Explorer > Properties > Details).
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${APP}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${APP} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "GNU GPL, version 3 or later"
InstallDir "$LOCALAPPDATA\Programs\Kelvo"
InstallDirRegKey HKCU "Software\Kelvo" "InstallDir"

!define MUI_FINISHPAGE_RUN "$INSTDIR\kelvo.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "Kelvo"
  SetOutPath "$INSTDIR"
  File "${STAGE}\kelvo.exe"
  File "${STAGE}\kelvo-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\COPYING"
  File "${STAGE}\THIRD-PARTY.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The current user's Start menu: the installer runs without administrator rights.
  CreateShortcut "$SMPROGRAMS\Kelvo.lnk" "$INSTDIR\kelvo.exe"
  WriteRegStr HKCU "Software\Kelvo" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Readme" "$INSTDIR\README.txt"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as Settings > Apps shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; config.ini in %APPDATA%\Kelvo is the user's and stays.
Section "Uninstall"
  Delete "$INSTDIR\kelvo.exe"
  Delete "$INSTDIR\kelvo-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\COPYING"
  Delete "$INSTDIR\THIRD-PARTY.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Kelvo.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Kelvo"
SectionEnd
