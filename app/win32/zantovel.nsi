; The Windows installer, built by makensis (Debian's nsis package) from the cross-built programs:
;   makensis -DVERSION=1.0.0 -DBUILD=<build/windows/app> -DSOURCE=<repository> -DOUT=<setup.exe>
; It installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\Zantovel, with a Start menu entry and an uninstaller that
; Settings > Apps lists. The user's settings and log beside the programs stay on uninstall.
; A 64-bit installer for the 64-bit programs; Wine here runs no 32-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define NAME "Zantovel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zantovel"
; Explorer's menu on a folder and on a folder's background, for this user only.
!define FOLDER_VERB "Software\Classes\Directory\shell\Zantovel"
!define BACKGROUND_VERB "Software\Classes\Directory\Background\shell\Zantovel"
!include "FileFunc.nsh"

Name "${NAME} ${VERSION}"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Zantovel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${SOURCE}\app\win32\app-icon.ico"
UninstallIcon "${SOURCE}\app\win32\app-icon.ico"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "FileDescription" "${NAME} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 the Zantovel developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Zantovel"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${BUILD}\zantovel.exe"
  File "${BUILD}\zantovel.com"
  ; With CR LF line ends, which every Notepad shows.
  File "/oname=README.txt" "${BUILD}\README.txt"
  File "/oname=LICENSE.txt" "${BUILD}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Zantovel.lnk" "$INSTDIR\zantovel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "the Zantovel developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zantovel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegStr HKCU "${FOLDER_VERB}" "" "Prefix files with Zantovel"
  WriteRegStr HKCU "${FOLDER_VERB}" "Icon" '"$INSTDIR\zantovel.exe"'
  WriteRegStr HKCU "${FOLDER_VERB}\command" "" '"$INSTDIR\zantovel.exe" "%1"'
  WriteRegStr HKCU "${BACKGROUND_VERB}" "" "Prefix files with Zantovel"
  WriteRegStr HKCU "${BACKGROUND_VERB}" "Icon" '"$INSTDIR\zantovel.exe"'
  WriteRegStr HKCU "${BACKGROUND_VERB}\command" "" '"$INSTDIR\zantovel.exe" "%V"'
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\zantovel.exe"
  Delete "$INSTDIR\zantovel.com"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Zantovel.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${FOLDER_VERB}"
  DeleteRegKey HKCU "${BACKGROUND_VERB}"
  ; Removed only when empty: the user's settings, log and journal stay.
  RMDir "$INSTDIR"
SectionEnd
