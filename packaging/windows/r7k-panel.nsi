; The Windows installer: per user, no administrator rights, into
; %LOCALAPPDATA%\Programs\r7k-panel, with a Start-menu entry and an uninstaller listed in the
; installed apps. /S installs silently; /D=DIR picks the folder (also quoted, see
; ReadFolderOption). The build passes VERSION, VERSION_QUAD, STAGE (the folder holding the
; files, the uninstaller among them), ICON and OUTFILE.
!define R7K_ROLE "setup"
!include "r7k-common.nsh" ; makensis works in the script's folder

OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\r7k-panel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
; A file that cannot be written stops the installer (exit code 2): skipping it would leave an
; old program behind a report of success.
AllowSkipFiles off

!include MUI2.nsh

!define MUI_ICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\r7k-panel.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; Stops before anything is touched with exit code EXIT_USAGE, saying why (the text on the
; stack) in a box and on standard error.
Function RefuseCommandLine
  Exch $0
  MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
  Push "$0"
  Call WriteStdErr
  SetErrorLevel ${EXIT_USAGE}
  Quit
FunctionEnd

; The text on the stack without blanks before or after it.
Function TrimBlanks
  Exch $0
  Push $1
  ${Do}
    StrCpy $1 $0 1
    ${IfThen} $1 != " " ${|} ${ExitDo} ${|}
    StrCpy $0 $0 "" 1
  ${Loop}
  ${Do}
    StrCpy $1 $0 1 -1
    ${IfThen} $1 != " " ${|} ${ExitDo} ${|}
    StrCpy $0 $0 -1
  ${Loop}
  Pop $1
  Exch $0
FunctionEnd

; NSIS reads /D= only bare and last: "/D="C:\My Tools\R7K"", as Windows users quote a folder
; with blanks, leaves $INSTDIR at the default and the files would go there unasked. So the
; folder is read here from the command line as Windows passed it, in any of the forms
; /D=C:\A B (the rest of the line), /D="C:\A B" and "/D=C:\A B" (/d= too). Only /S may follow
; a quoted folder, and the folder must be a full path (C:\... or \\server\...).
Function ReadFolderOption
  System::Call 'kernel32::GetCommandLineW() w .r0'
  ${IfThen} $0 == "error" ${|} StrCpy $0 $CMDLINE ${|} ; no System plugin: what NSIS kept
  ; $1: past the installer's own name, quoted or bare.
  StrCpy $2 $0 1
  ${If} $2 == '"'
    StrCpy $3 '"'
    StrCpy $1 1
  ${Else}
    StrCpy $3 " "
    StrCpy $1 0
  ${EndIf}
  ${Do}
    StrCpy $2 $0 1 $1
    ${IfThen} $2 == "" ${|} Return ${|}
    IntOp $1 $1 + 1
  ${LoopUntil} $2 == $3
  ; $1: the first /D= that starts an argument; $4: the quote before it, if any.
  ${Do}
    StrCpy $2 $0 3 $1
    ${IfThen} $2 == "" ${|} Return ${|}
    IntOp $5 $1 - 1
    StrCpy $4 $0 1 $5
    IntOp $5 $5 - 1
    StrCpy $5 $0 1 $5
    ${If} $2 == "/D="
      ${IfThen} $4 == " " ${|} ${ExitDo} ${|}
      ${If} $4 == '"'
      ${AndIf} $5 == " "
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
  IntOp $1 $1 + 3
  StrCpy $2 $0 1 $1
  ${If} $4 == '"'
  ${OrIf} $2 == '"'
    ${IfThen} $4 != '"' ${|} IntOp $1 $1 + 1 ${|}
    StrCpy $5 $1 ; where the folder starts
    ${Do}
      StrCpy $2 $0 1 $1
      ${If} $2 == ""
        Push `The folder after /D= has no closing quote: $0`
        Call RefuseCommandLine
      ${EndIf}
      ${IfThen} $2 == '"' ${|} ${ExitDo} ${|}
      IntOp $1 $1 + 1
    ${Loop}
    IntOp $2 $1 - $5
    StrCpy $6 $0 $2 $5
    IntOp $1 $1 + 1
    ; NSIS stopped reading at /D=, so a /S after it is taken here.
    StrCpy $2 $0 "" $1
    Push $2
    Call TrimBlanks
    Pop $2
    ${If} $2 S== "/S"
      SetSilent silent
    ${ElseIf} $2 != ""
      Push `/D= must be the last option (/S may follow a quoted folder); "$2" follows it.`
      Call RefuseCommandLine
    ${EndIf}
  ${Else}
    StrCpy $6 $0 "" $1
    Push $6
    Call TrimBlanks
    Pop $6
  ${EndIf}
  StrCpy $7 $6 ; as given, for the message
  ${Do} ; C:\A B\ is C:\A B; C:\ alone, the drive's root, is refused below
    StrCpy $2 $6 1 -1
    ${IfThen} $2 != "\" ${|} ${ExitDo} ${|}
    StrCpy $6 $6 -1
  ${Loop}
  StrCpy $2 $6 2 1
  StrCpy $3 $6 2
  ${If} $2 != ":\"
  ${AndIf} $3 != "\\"
    Push `/D= needs the full path of a folder (C:\... or \\server\share\...), not "$7".`
    Call RefuseCommandLine
  ${EndIf}
  StrCpy $INSTDIR $6
FunctionEnd

Function .onInit
  SetShellVarContext current
  Call ReadFolderOption
FunctionEnd

Section "Install"
  Call RefuseWhileRunning
  SetOutPath "$INSTDIR"
  File "${STAGE}/r7k-panel.exe"
  File "${STAGE}/r7k-ctl.exe"
  File "${STAGE}/r7k-pjlink.exe"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/README.txt"
  File "${STAGE}/uninstall.exe"
  ; Left by an earlier uninstall; see r7k-uninstall.nsi.
  Delete "${FINISHER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\r7k-panel.exe" "" "$INSTDIR\r7k-panel.exe" 0 \
    SW_SHOWNORMAL "" "Control the R7KM and R7K projectors over RS-232"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\r7k-panel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd
