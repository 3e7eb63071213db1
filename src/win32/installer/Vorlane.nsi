; The Windows installer: per user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Vorlane. scripts/package-windows builds it with
;   makensis -DVERSION=<x.y> -DFILES=<file list> -DICON=<.ico> -DOUTFILE=<exe>
; where the file list (made from the folder of the files to install) installs and
; removes exactly the program's own files. The uninstaller leaves the user's settings, filters and saved files, which
; live elsewhere (%LOCALAPPDATA%\Vorlane and the output folders). /S installs silently.

; The program is 64-bit only, and so is its installer (Wine without 32-bit support runs it).
Target amd64-unicode
!include "MUI2.nsh"

!ifndef VERSION | FILES | ICON | OUTFILE
  !error "VERSION, FILES, ICON and OUTFILE must be defined"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Vorlane ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Vorlane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ManifestDPIAware true
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Vorlane"
VIAddVersionKey /LANG=1033 "FileDescription" "Vorlane ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "The Vorlane developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Vorlane developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\vorlane.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running copy keeps its files open: ask it to close (it writes its settings and
; ends; "Close" with no copy running ends at once).
!macro CloseRunningCopy
  IfFileExists "$INSTDIR\vorlane.exe" 0 +2
    ExecWait '"$INSTDIR\vorlane.exe" Close'
!macroend

Section "Vorlane"
  SetShellVarContext current
  !insertmacro CloseRunningCopy
  !define INSTALL_FILES
  !include "${FILES}"
  !undef INSTALL_FILES
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Vorlane.lnk" "$INSTDIR\vorlane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vorlane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Vorlane developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vorlane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro CloseRunningCopy
  !define UNINSTALL_FILES
  !include "${FILES}"
  !undef UNINSTALL_FILES
  Delete "$SMPROGRAMS\Vorlane.lnk"
  ; The start-with-Windows entry names the program that is going away.
  DeleteRegValue HKCU "${RUN_KEY}" "Vorlane"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: a filter file the user saved beside the program stays.
  RMDir "$INSTDIR"
SectionEnd
