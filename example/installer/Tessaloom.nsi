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
; understood, 13 some Visual Studio did not get everything; and 21 the
; installed product could not be set aside or put back, 22 an interrupted
; installation left part of one in Previous.tmp (kept, never deleted).
; Whether a product is installed, and where, comes from its uninstall entry
; alone. A failed installation over a working one in the same folder puts
; the working one back, files, templates and uninstall entry; into another
; folder, it removes only what it made and leaves the working one's files
; and entry, its own Orvane.exe putting its templates back; over none, it
; leaves nothing behind. A Previous.tmp that an interrupted installation
; left is put back before anything else.

Unicode true
!include "WordFunc.nsh"
!include "LogicLib.nsh"
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
; Installed already: where it is, as its own uninstall entry says.
InstallDirRegKey HKLM "${UninstallKey}" "InstallLocation"

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

; Moves each part of the product that is in folder $R0 into folder $R1;
; $9 is "" when every one that was there moved, else the first that did not.
!macro MovePart name
  ${If} ${FileExists} "$R0\${name}"
    ClearErrors
    Rename "$R0\${name}" "$R1\${name}"
    ${If} ${Errors}
    ${AndIf} $9 == ""
      StrCpy $9 "$R0\${name}"
    ${EndIf}
  ${EndIf}
!macroend
Function MoveProduct
  StrCpy $9 ""
  !insertmacro MovePart "Include"
  !insertmacro MovePart "Lib"
  !insertmacro MovePart "Samples"
  !insertmacro MovePart "Templates"
  !insertmacro MovePart "Orvane.exe"
  !insertmacro MovePart "Uninstall.exe"
FunctionEnd

; Puts the installation set aside in Previous.tmp back in its place; $9 as
; MoveProduct says.
Function PutBackPrevious
  StrCpy $R0 "$INSTDIR\Previous.tmp"
  StrCpy $R1 "$INSTDIR"
  Call MoveProduct
  ${If} $9 == ""
    RMDir "$INSTDIR\Previous.tmp"
  ${EndIf}
FunctionEnd

; The installation is judged by the product's own uninstall entry, never by
; a file's presence in the chosen folder: $2 is "previous" for a working
; installation in this folder (set aside whole, to be put back should this
; one fail), "elsewhere" for one in another folder (left as it is), or "".
Section "Tessaloom Templates"
  ReadRegStr $3 HKLM "${UninstallKey}" "InstallLocation"
  ; An earlier attempt here that was interrupted after it set the working
  ; installation aside: that one is put back first, never deleted.
  ${If} ${FileExists} "$INSTDIR\Previous.tmp\*.*"
    ${IfNot} ${FileExists} "$INSTDIR\Previous.tmp\Orvane.exe"
      MessageBox MB_OK|MB_ICONSTOP \
        "$INSTDIR\Previous.tmp holds part of an installation an interrupted one set aside. It was kept as it is: move it away, then install again.$\r$\nNothing was changed." \
        /SD IDOK
      SetErrorLevel 22
      Quit
    ${EndIf}
    !insertmacro RemoveProductFiles
    Call PutBackPrevious
    ${If} $9 != ""
      MessageBox MB_OK|MB_ICONSTOP \
        "The installation an interrupted one set aside in $INSTDIR\Previous.tmp could not be put back ($9 could not be moved). It was kept there.$\r$\nNothing else was changed." \
        /SD IDOK
      SetErrorLevel 21
      Quit
    ${EndIf}
  ${EndIf}
  StrCpy $2 ""
  ${If} $3 != ""
    StrCpy $2 "elsewhere"
    ${If} $3 == $INSTDIR
      StrCpy $2 ""
      ${If} ${FileExists} "$INSTDIR\Orvane.exe"
        StrCpy $2 "previous"
        CreateDirectory "$INSTDIR\Previous.tmp"
        StrCpy $R0 "$INSTDIR"
        StrCpy $R1 "$INSTDIR\Previous.tmp"
        Call MoveProduct
        ${If} $9 != ""
          StrCpy $8 $9
          Call PutBackPrevious
          MessageBox MB_OK|MB_ICONSTOP \
            "The installed Tessaloom Templates could not be set aside ($8 could not be moved), so nothing was installed.$\r$\nThe installation that was there is as it was." \
            /SD IDOK
          SetErrorLevel 21
          Quit
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}

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

  ; This installation's files go again, and nothing else.
  SetOutPath "$TEMP"
  ${If} $2 == "previous"
    ; The working installation comes back, and its Orvane.exe puts its
    ; templates back in every Visual Studio.
    !insertmacro RemoveProductFiles
    Call PutBackPrevious
    ${If} $9 != ""
      MessageBox MB_OK|MB_ICONSTOP \
        "The Tessaloom templates ${Version} could not be added to Visual Studio (Orvane.exe: $0), and the installation that was there could not be put back ($9 could not be moved): it is in $INSTDIR\Previous.tmp, and installing again puts it back first." \
        /SD IDOK
      Goto failed
    ${EndIf}
    nsExec::ExecToLog '"$INSTDIR\Orvane.exe" -i "$INSTDIR\Templates\"'
    Pop $1
    ${If} $1 == 0
      MessageBox MB_OK|MB_ICONSTOP \
        "The Tessaloom templates ${Version} could not be added to Visual Studio (Orvane.exe: $0).$\r$\nThe installation that was there was put back, with its templates." \
        /SD IDOK
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP \
        "The Tessaloom templates ${Version} could not be added to Visual Studio (Orvane.exe: $0).$\r$\nThe installation that was there was put back, but its templates could not all be put back in Visual Studio (Orvane.exe: $1)." \
        /SD IDOK
    ${EndIf}
  ${ElseIf} $2 == "elsewhere"
    ; The working installation in its own folder keeps its files and its
    ; uninstall entry; its own Orvane.exe puts its templates back wherever
    ; this one's reached.
    !insertmacro RemoveProductFiles
    StrCpy $1 "not started"
    ${If} ${FileExists} "$3\Orvane.exe"
      nsExec::ExecToLog '"$3\Orvane.exe" -i "$3\Templates\"'
      Pop $1
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP \
      "The Tessaloom templates ${Version} could not be added to Visual Studio (Orvane.exe: $0), so nothing was installed in $INSTDIR.$\r$\nThe installation in $3 was kept; its templates were put back (Orvane.exe: $1)." \
      /SD IDOK
  ${Else}
    ; With none, no templates and no product stay behind.
    nsExec::ExecToLog '"$INSTDIR\Orvane.exe" -u x'
    Pop $1
    !insertmacro RemoveProductFiles
    MessageBox MB_OK|MB_ICONSTOP \
      "The Tessaloom templates could not be added to Visual Studio (Orvane.exe: $0).$\r$\nNothing was installed." \
      /SD IDOK
  ${EndIf}
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
  WriteRegStr HKLM "${UninstallKey}" "InstallLocation" "$INSTDIR"
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
