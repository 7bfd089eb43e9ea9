; The per-user installer of Kelvo for Windows: no administrator rights, installed into
; %LOCALAPPDATA%\Programs\Kelvo, a Start-menu entry, an uninstaller registered under HKCU.
; Built by scripts/package-windows.sh:
;   makensis -DVERSION=1.1.2 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> kelvo.nsi

Unicode true
; A 64-bit installer: the default x86 stub does not start under a 64-bit-only Wine, and the
; program is 64-bit anyway.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define APP "Kelvo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvo"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
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
  File "${STAGE}\LICENSES.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The current user's Start menu: the installer runs without administrator rights.
  CreateShortcut "$SMPROGRAMS\Kelvo.lnk" "$INSTDIR\kelvo.exe"
  WriteRegStr HKCU "Software\Kelvo" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; config.ini in %APPDATA%\Kelvo is the user's and stays.
Section "Uninstall"
  Delete "$INSTDIR\kelvo.exe"
  Delete "$INSTDIR\kelvo-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSES.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Kelvo.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Kelvo"
SectionEnd
