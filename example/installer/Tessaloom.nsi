; An NSIS installer for the example product that adds its templates to every
; installed Visual Studio with Orvane.exe, and removes them again when the
; product is uninstalled. Builds with makensis 3:
;
;   makensis -DOrvaneExe=<x86\Orvane.exe> -DProductDir=<product folder> Tessaloom.nsi
;
; Defines:
;   OrvaneExe   the Orvane.exe to ship (the x86 build)
;   ProductDir  the folder holding the product's files: Include, Lib,
;               Samples and Templates
;   OutFile     the installer to write (TessaloomSetup.exe)
;   Version     the product's version (1.0.0), shown in Add/Remove Programs
;
; Installing over an installed product, of the same or a newer version,
; replaces its files and templates; there is one uninstall entry. An older
; version over a newer one is refused before anything changes (exit code
; 20). Silent installs (/S) run Orvane.exe hidden, so that it shows no
; window and none waits, with its lines in the installation's log, and show
; no message. When Orvane failed, the exit code is 10 plus its status, apart
; from NSIS's own 1 (cancelled) and 2 (aborted): 10 Orvane.exe could not be
; started, 11 stopped before Visual Studio was touched, 12 command line not
; understood, 13 some Visual Studio did not get everything. A failed
; installation over a working one puts the working one back, files,
; templates and uninstall entry; over none, it leaves nothing behind.

Unicode true
!include "WordFunc.nsh"
!ifndef OutFile
  !define OutFile "TessaloomSetup.exe"
!endif
!ifndef Version
  !define Version "1.0.0"
!endif
!define UninstallKey "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaloom"

Name "Tessaloom Templates"
OutFile "${OutFile}"
; Orvane.exe writes into Visual Studio's folders under Program Files.
RequestExecutionLevel admin
; The 32-bit Program Files, where Visual Studio 7.0 to 10.0 live too.
InstallDir "$PROGRAMFILES\Tessaloom"

Page directory
Page instfiles

; A newer version installed stays: refused before anything changes.
Function .onInit
  ReadRegStr $0 HKLM "${UninstallKey}" "DisplayVersion"
  StrCmp $0 "" done
  ${VersionCompare} "$0" "${Version}" $1
  StrCmp $1 1 0 done
    MessageBox MB_OK|MB_ICONSTOP \
      "Tessaloom Templates $0 is installed, which is newer than ${Version}.$\r$\nNothing was changed." \
      /SD IDOK
    SetErrorLevel 20
    Quit
done:
FunctionEnd
UninstPage uninstConfirm
UninstPage instfiles

; Takes away what the installer put in place, and the folder if that leaves
; it empty: nothing else that may be in it (never RMDir /r "$INSTDIR": the
; folder may be one the user chose, shared with other files).
!macro RemoveProductFiles
  RMDir /r "$INSTDIR\Include"
  RMDir /r "$INSTDIR\Lib"
  RMDir /r "$INSTDIR\Samples"
  RMDir /r "$INSTDIR\Templates"
  Delete "$INSTDIR\Orvane.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
!macroend

Section "Tessaloom Templates"
  ; A working installation is set aside whole, to be put back should this
  ; one fail; gone once this one has succeeded. Nothing else in the folder
  ; is touched.
  RMDir /r "$INSTDIR\Previous.tmp"
  StrCpy $2 ""
  IfFileExists "$INSTDIR\Orvane.exe" 0 fresh
    StrCpy $2 "previous"
    CreateDirectory "$INSTDIR\Previous.tmp"
    Rename "$INSTDIR\Include" "$INSTDIR\Previous.tmp\Include"
    Rename "$INSTDIR\Lib" "$INSTDIR\Previous.tmp\Lib"
    Rename "$INSTDIR\Samples" "$INSTDIR\Previous.tmp\Samples"
    Rename "$INSTDIR\Templates" "$INSTDIR\Previous.tmp\Templates"
    Rename "$INSTDIR\Orvane.exe" "$INSTDIR\Previous.tmp\Orvane.exe"
    Rename "$INSTDIR\Uninstall.exe" "$INSTDIR\Previous.tmp\Uninstall.exe"
fresh:
  SetOutPath "$INSTDIR"
  File "/oname=Orvane.exe" "${OrvaneExe}"
  File /r "${ProductDir}\Include" "${ProductDir}\Lib" "${ProductDir}\Samples" "${ProductDir}\Templates"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Once the product's files are in place, which Orvane customises. Where
  ; nobody watches, hidden and with its lines in the log; otherwise it
  ; shows its window, and the installation goes on when that is closed.
  IfSilent 0 shown
    nsExec::ExecToLog '"$INSTDIR\Orvane.exe" -i "$INSTDIR\Templates\"'
    Pop $0
    StrCmp $0 "error" 0 +2
      StrCpy $0 "not started"
    Goto ran
shown:
  ClearErrors
  ExecWait '"$INSTDIR\Orvane.exe" -i "$INSTDIR\Templates\"' $0
  IfErrors 0 +2
    StrCpy $0 "not started"
ran:
  StrCmp $0 0 added

  ; This installation's files go again. A working installation that was
  ; there comes back, and its Orvane.exe puts its templates back in every
  ; Visual Studio; with none, no templates and no product stay behind.
  SetOutPath "$TEMP"
  StrCmp $2 "previous" 0 nothing_before
    !insertmacro RemoveProductFiles
    Rename "$INSTDIR\Previous.tmp\Include" "$INSTDIR\Include"
    Rename "$INSTDIR\Previous.tmp\Lib" "$INSTDIR\Lib"
    Rename "$INSTDIR\Previous.tmp\Samples" "$INSTDIR\Samples"
    Rename "$INSTDIR\Previous.tmp\Templates" "$INSTDIR\Templates"
    Rename "$INSTDIR\Previous.tmp\Orvane.exe" "$INSTDIR\Orvane.exe"
    Rename "$INSTDIR\Previous.tmp\Uninstall.exe" "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR\Previous.tmp"
    nsExec::ExecToLog '"$INSTDIR\Orvane.exe" -i "$INSTDIR\Templates\"'
    Pop $1
    MessageBox MB_OK|MB_ICONSTOP \
      "The Tessaloom templates ${Version} could not be added to Visual Studio (Orvane.exe: $0).$\r$\nThe installation that was there was put back." \
      /SD IDOK
    Goto failed
nothing_before:
  nsExec::ExecToLog '"$INSTDIR\Orvane.exe" -u x'
  Pop $1
  !insertmacro RemoveProductFiles
  MessageBox MB_OK|MB_ICONSTOP \
    "The Tessaloom templates could not be added to Visual Studio (Orvane.exe: $0).$\r$\nNothing was installed." \
    /SD IDOK
  DeleteRegKey HKLM "${UninstallKey}"
failed:
  StrCmp $0 "not started" 0 +2
    StrCpy $0 0
  IntOp $0 $0 + 10
  SetErrorLevel $0
  Quit

added:
  RMDir /r "$INSTDIR\Previous.tmp"
  WriteRegStr HKLM "${UninstallKey}" "DisplayName" "Tessaloom Templates"
  WriteRegStr HKLM "${UninstallKey}" "DisplayVersion" "${Version}"
  WriteRegStr HKLM "${UninstallKey}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UninstallKey}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UninstallKey}" "NoModify" 1
  WriteRegDWORD HKLM "${UninstallKey}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; While Orvane.exe is still there, hidden, its lines in the log. Its
  ; status does not stop the uninstallation: a product can always be
  ; removed.
  nsExec::ExecToLog '"$INSTDIR\Orvane.exe" -u x'
  Pop $0
  SetOutPath "$TEMP"
  !insertmacro RemoveProductFiles
  DeleteRegKey HKLM "${UninstallKey}"
SectionEnd
