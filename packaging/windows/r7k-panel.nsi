; The Windows installer: per user, no administrator rights, into
; %LOCALAPPDATA%\Programs\r7k-panel, with a Start-menu entry and an uninstaller listed in the
; installed apps. /S installs silently (/D=DIR picks the folder). The build passes VERSION,
; VERSION_QUAD, STAGE (the folder holding the files), ICON and OUTFILE.
; A 64-bit installer for 64-bit programs: it also runs where only 64-bit Wine is installed.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT "R7KM & R7K Control"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\r7k-panel"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

; Labels read "&" as the mark of a shortcut key: they get the name with it doubled.
Name "${PRODUCT}" "R7KM && R7K Control"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\r7k-panel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "R7KM && R7K Control ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The r7k-panel developers. MIT License."

!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\r7k-panel.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${STAGE}/r7k-panel.exe"
  File "${STAGE}/r7k-ctl.exe"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\r7k-panel.exe" "" "$INSTDIR\r7k-panel.exe" 0 \
    SW_SHOWNORMAL "" "Control the R7KM and R7K projectors over RS-232"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\r7k-panel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Takes away what the installer put there. The port choices under HKCU\Software\r7k-panel
; stay: they belong to the user, and a reinstall should find them.
Section "Uninstall"
  ClearErrors
  Delete "$INSTDIR\r7k-panel.exe"
  Delete "$INSTDIR\r7k-ctl.exe"
  IfErrors 0 +3
    MessageBox MB_OK|MB_ICONEXCLAMATION "r7k-panel.exe or r7k-ctl.exe in $INSTDIR is still \
      running. Close it, then uninstall again." /SD IDOK
    Abort
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
