; The uninstaller, uninstall.exe in the installed folder; the build passes VERSION,
; VERSION_QUAD, ICON and OUTFILE. An ordinary NSIS program, not one of NSIS's own
; uninstallers: those hand the work to a copy of themselves in %TEMP% and end at once with
; exit code 0, so "uninstall.exe /S" could tell a script neither that it failed nor when it
; was done. This one does the work itself and ends with its result. Only its own file, which
; cannot be deleted while it runs, and then the emptied folder are left to a copy of it in
; %TEMP% that waits for it to end.
; The port choices under HKCU\Software\r7k-panel stay: they belong to the user, and a
; reinstall should find them.
!define R7K_ROLE "uninstall"
!include "r7k-common.nsh" ; makensis works in the script's folder

OutFile "${OUTFILE}"
Caption "$(^Name) Uninstall"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} uninstaller"

!include MUI2.nsh

!define MUI_ICON "${ICON}"
!define MUI_PAGE_HEADER_TEXT "Uninstalling"
!define MUI_PAGE_HEADER_SUBTEXT "Please wait while $(^NameDA) is being removed."
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "Uninstallation Complete"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "$(^NameDA) was removed; your port choices stay."
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Uninstallation Aborted"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "$(^NameDA) was not removed."
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The copy in %TEMP%, run as FINISHER /finish /D=FOLDER: deletes the uninstaller's file as soon
; as it has ended (it ends right after starting this), then the folder if nothing else is left.
Function Finish
  ${If} $INSTDIR != ""
    ${For} $0 1 100
      Delete "$INSTDIR\uninstall.exe"
      ${IfNotThen} ${FileExists} "$INSTDIR\uninstall.exe" ${|} ${Break} ${|}
      Sleep 100
    ${Next}
    RMDir "$INSTDIR"
  ${EndIf}
  Quit
FunctionEnd

Function .onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/finish" $1
  ${IfNotThen} ${Errors} ${|} Call Finish ${|}
  StrCpy $INSTDIR $EXEDIR
  ${IfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Remove ${PRODUCT} from $INSTDIR?$\r$\n$\r$\nThe programs, the Start-menu entry and the entry in the installed apps go; your port choices stay." /SD IDYES IDYES`
    SetErrorLevel 1
    Quit
  ${EndIf}
FunctionEnd

Section "Remove"
  Call RefuseWhileRunning
  ClearErrors
  Delete "$INSTDIR\r7k-panel.exe"
  Delete "$INSTDIR\r7k-ctl.exe"
  Delete "$INSTDIR\r7k-pjlink.exe"
  ${If} ${Errors} ; started since the look, or the folder is not ours to change
    Push "r7k-panel.exe, r7k-ctl.exe or r7k-pjlink.exe in $INSTDIR could not be removed: close it and try again."
    Call WriteStdErr
    MessageBox MB_OK|MB_ICONEXCLAMATION "r7k-panel.exe, r7k-ctl.exe or r7k-pjlink.exe in $INSTDIR could \
      not be removed. Close it, then uninstall again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Runs when the window has closed (or at once when silent): this process ends right after.
; The copy starts in %TEMP%, so that its own working folder does not keep the folder.
Function .onInstSuccess
  ClearErrors
  CopyFiles /SILENT "$EXEPATH" "${FINISHER}"
  ${If} ${Errors}
    Push "could not copy itself to $TEMP: uninstall.exe and the folder $INSTDIR stay."
    Call WriteStdErr
    SetErrorLevel 2
    Return
  ${EndIf}
  SetOutPath "$TEMP"
  Exec '"${FINISHER}" /finish /D=$INSTDIR'
FunctionEnd
