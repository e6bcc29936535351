; What the installer (r7k-panel.nsi) and the uninstaller (r7k-uninstall.nsi) share: the names
; and keys they both write or remove, their exit codes, and the look for a running program.
; Each script defines R7K_ROLE (the word its messages on standard error start with) first.
; 64-bit, like the programs: they also run where only 64-bit Wine is installed.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT "R7KM & R7K Control"
!define PUBLISHER "The r7k-panel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\r7k-panel"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; Where the uninstaller leaves the copy of itself that removes uninstall.exe after it ends.
!define FINISHER "$TEMP\r7k-panel-uninstall.exe"

; Exit codes beyond NSIS's own (0 done, 1 cancelled by the user, 2 stopped by an error it
; reports, such as a file that could not be written). Nothing was changed for either.
!define EXIT_RUNNING 3 ; a program of the package runs from the folder
!define EXIT_USAGE 4 ; the command line names no usable folder

; Labels read "&" as the mark of a shortcut key: they get the name with it doubled.
Name "${PRODUCT}" "R7KM && R7K Control"
BrandingText "R7KM && R7K Control ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The r7k-panel developers. MIT License."

!include LogicLib.nsh
!include FileFunc.nsh

; Writes the text on the stack and a line end to standard error, in UTF-8, so that a script
; running /S learns why it stopped. A Windows program gets one only when its caller gives it
; (cmd's "2> file", a redirecting launcher, Wine); without one this writes nothing.
Function WriteStdErr
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $0 "${R7K_ROLE}: $0$\r$\n"
  System::Call 'kernel32::GetStdHandle(i -12) p .r1'
  ${If} $1 P<> 0
  ${AndIf} $1 P<> -1
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p 0, i 0, p 0, p 0) i .r2'
    System::Alloc $2
    Pop $3
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p r3, i r2, p 0, p 0)'
    IntOp $2 $2 - 1 ; not the closing NUL
    System::Call 'kernel32::WriteFile(p r1, p r3, i r2, *i .r2, p 0)'
    System::Free $3
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Sets $R9 to the first program of the package (r7k-pjlink.exe where present) that runs from
; $INSTDIR, else to "". A running program's file cannot be opened for writing, whatever the
; sharing asked for: Windows (and Wine alike) answers ERROR_SHARING_VIOLATION. The open
; writes nothing and creates nothing, so the file stays as it was.
!macro R7K_LOOK_FOR_RUNNING FILE
  ${If} $R9 == ""
    System::Call 'kernel32::CreateFileW(w "$INSTDIR\${FILE}", i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .r1 ?e'
    Pop $2
    ${If} $1 P<> -1
      System::Call 'kernel32::CloseHandle(p r1)'
    ${ElseIf} $2 = 32
      StrCpy $R9 "${FILE}"
    ${EndIf}
  ${EndIf}
!macroend
Function FindRunningProgram
  Push $1
  Push $2
  StrCpy $R9 ""
  !insertmacro R7K_LOOK_FOR_RUNNING "r7k-panel.exe"
  !insertmacro R7K_LOOK_FOR_RUNNING "r7k-ctl.exe"
  !insertmacro R7K_LOOK_FOR_RUNNING "r7k-pjlink.exe"
  Pop $2
  Pop $1
FunctionEnd

; Called first in the section, before a file is touched: a running program's file can be
; neither replaced nor deleted, and a half-done job is worse than none. Asks to close it
; (Retry) or stops (Cancel, and always when silent) with exit code EXIT_RUNNING.
Function RefuseWhileRunning
  ${Do}
    Call FindRunningProgram
    ${IfThen} $R9 == "" ${|} Return ${|}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R9 is running from $INSTDIR.$\r$\n$\r$\nClose it, then press Retry. Cancel leaves everything as it was." /SD IDCANCEL IDRETRY`
      Push "$R9 is running from $INSTDIR: close it and try again. Nothing was changed."
      Call WriteStdErr
      SetErrorLevel ${EXIT_RUNNING}
      Abort "$R9 is running: nothing was changed."
    ${EndIf}
  ${Loop}
FunctionEnd
