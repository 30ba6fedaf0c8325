; Die Quendler: the per-user setup, made with Debian's NSIS (makensis, 64-bit stubs).
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DPROGRAM=quendler.exe -DHELPFILE=zuvi.chm
;            -DOUTFILE=quendler-setup-1.0.0.exe quendler.nsi
; installer/CMakeLists.txt runs it so, with the version of project() in CMakeLists.txt.
;
; No elevation: the program goes to %LOCALAPPDATA%\Programs\Die Quendler, and only the current
; user's registry is written (uninstall entry, the program's own autostart value, its AutoStart
; setting). Installing over an installed copy ends the running program first and keeps all its
; settings and data. /S runs setup and uninstaller silently; setup also takes /AUTOSTART=0|1.

!ifndef VERSION | PROGRAM | HELPFILE | OUTFILE
  !error "VERSION, PROGRAM, HELPFILE and OUTFILE must be defined (-D)"
!endif

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PRODUCT "Die Quendler"
!define PUBLISHER "Skorvati"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Skorvati Die Quendler"
; The program's own autostart value and settings key (app/settings_store.h).
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Skorvati Desktopkalender"
!define SETTINGS_KEY "Software\Skorvati\Desktop\Quendler"
; The running program: its main window, its single-instance mutex (app/win32/program.h) and the
; command of its "Beenden" button (kIdExit, app/win32/main_window.h), which saves and ends it.
!define MAIN_WINDOW "Die Quendler"
!define MUTEX "SkorvatiQuendlerMutex"
!define EXIT_COMMAND 1004
; The data folder and the wallpaper (app/settings.cpp, render/win32/wallpaper_job.cpp).
!define DATA_PARENT "$APPDATA\Skorvati\Desktopkalender"
!define START_MENU_LINK "$SMPROGRAMS\Die Quendler.lnk"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} einrichten"
UninstallCaption "${PRODUCT} ${VERSION} entfernen"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Die Quendler"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "FileDescription" "${PRODUCT} – Installation"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "© ${PUBLISHER}"

Var WasRunning

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "Willkommen bei ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Dieses Programm richtet den Desktopkalender ${PRODUCT} für Sie ein.$\r$\n$\r$\nEs braucht keine Administratorrechte: ${PRODUCT} wird nur für Ihr Benutzerkonto installiert.$\r$\n$\r$\nIst ${PRODUCT} schon installiert und läuft, wird es vorher beendet. Ihre Einstellungen, Termine und Notizen bleiben erhalten.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quendler.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Die Quendler jetzt starten"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

; Ends a running copy through its own exit (it saves its settings), then waits until its mutex
; is gone, i.e. the process has ended. Sets $WasRunning to 1 when a copy was running.
!macro END_RUNNING_PROGRAM un
Function ${un}EndRunningProgram
  StrCpy $WasRunning 0
  retry:
  FindWindow $0 "" "${MAIN_WINDOW}"
  ${If} $0 <> 0
    StrCpy $WasRunning 1
    DetailPrint "Beende das laufende ${PRODUCT} …"
    SendMessage $0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=5000
  ${EndIf}
  ; Up to 15 seconds for the process to let go of its mutex.
  StrCpy $1 0
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${MUTEX}") p .r2'
    ${If} $2 P= 0
      ${Break}
    ${EndIf}
    StrCpy $WasRunning 1
    System::Call 'kernel32::CloseHandle(p r2)'
    ${If} $1 >= 75
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} läuft noch und ließ sich nicht beenden.$\r$\nBitte beenden Sie es (Symbol im Infobereich, „Beenden“) und klicken Sie auf „Wiederholen“." /SD IDCANCEL IDRETRY retry
      Abort "${PRODUCT} läuft noch."
    ${EndIf}
    ; A window that appeared late (a start in the same moment) gets the exit command too.
    FindWindow $0 "" "${MAIN_WINDOW}"
    ${If} $0 <> 0
      SendMessage $0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=2000
    ${EndIf}
    Sleep 200
    IntOp $1 $1 + 1
  ${Loop}
  ; The handle of the mutex goes with the process's last moments; give its files a breath.
  ${If} $WasRunning = 1
    Sleep 500
  ${EndIf}
FunctionEnd
!macroend
!insertmacro END_RUNNING_PROGRAM ""
!insertmacro END_RUNNING_PROGRAM "un."

Section "Die Quendler (Programm und Hilfe)" SecProgram
  SectionIn RO
  Call EndRunningProgram
  SetOutPath "$INSTDIR"
  File "/oname=quendler.exe" "${PROGRAM}"
  File "/oname=zuvi.chm" "${HELPFILE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${START_MENU_LINK}" "$INSTDIR\quendler.exe" "" "$INSTDIR\quendler.exe" 0 SW_SHOWNORMAL "" "Desktopkalender"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quendler.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The program's own autostart: the quoted path under Run, as its options page writes it, and its
; AutoStart setting to match (the options page applies that setting when it opens).
Section "Mit Windows starten" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\quendler.exe"'
  WriteRegDWORD HKCU "${SETTINGS_KEY}" "AutoStart" 1
SectionEnd

Section "-Ohne Autostart"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "AutoStart" 0
  ${EndIf}
  ; A silent upgrade brings back the copy it ended; otherwise the finish page offers the start.
  ${If} ${Silent}
  ${AndIf} $WasRunning = 1
    Exec '"$INSTDIR\quendler.exe"'
  ${EndIf}
SectionEnd

Function .onInit
  ; The check box follows the program's own AutoStart setting (on by default), and
  ; /AUTOSTART=0|1 decides it for a silent run.
  ClearErrors
  ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "AutoStart"
  ${IfNot} ${Errors}
  ${AndIf} $0 = 0
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AUTOSTART=" $2
  ${IfNot} ${Errors}
    ${If} $2 == 0
      !insertmacro UnselectSection ${SecAutostart}
    ${Else}
      !insertmacro SelectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "un.Die Quendler (Programm, Startmenü, Autostart)" UnSecProgram
  SectionIn RO
  Call un.EndRunningProgram
  ; Only what setup put there: a notes or appointment file the user keeps in this folder stays.
  Delete "$INSTDIR\quendler.exe"
  Delete "$INSTDIR\zuvi.chm"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${START_MENU_LINK}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off by default and never in a silent run.
Section /o "un.Auch meine Termine und Notizen löschen" UnSecData
  ${IfNot} ${Silent}
    RMDir /r "${DATA_PARENT}\Die Quendler"
    Delete "${DATA_PARENT}\wallpaper.bmp"
    RMDir "${DATA_PARENT}"
    RMDir "$APPDATA\Skorvati"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Skorvati\Desktop"
    DeleteRegKey /ifempty HKCU "Software\Skorvati"
  ${EndIf}
SectionEnd
