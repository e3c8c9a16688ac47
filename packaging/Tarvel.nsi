; The Tarvel setup program: a per-user install (no administrator rights) of
; the program, its two libraries, the command-line tool and the product
; folder, with a Start-menu shortcut, an optional entry that starts the
; program with Windows, and an uninstaller listed in the user's programs.
;
; Built by the windows preset's installer target (packaging/CMakeLists.txt):
;   makensis -DVERSION=<x.y.z> -DPAYLOAD=<release folder> -DNSH_DIR=<lists>
;            -DOUTFILE=<setup.exe> [-DCOMPRESSOR=zlib] [-DEND_WAIT_MS=<ms>] Tarvel.nsi
; NSH_DIR holds the lists Payload.cmake writes: files.nsh, unfiles.nsh and
; product.nsh (the main window's title, the mutex, the data folder's name).
;
; Setup command line: /S silent, /AUTOSTART start with Windows, /D=<folder>
; the install folder (last). Uninstaller: /S silent; it keeps the profiles
; and macros.
;
; The user's profiles and macros live in the data folder the program makes
; under the local application data (%LOCALAPPDATA%\<appdir>), never in the
; install folder: an upgrade replaces the program files and leaves them.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
!ifdef COMPRESSOR
SetCompressor /SOLID ${COMPRESSOR}
!else
SetCompressor /SOLID lzma
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "${NSH_DIR}/product.nsh"

!define APP "Tarvel"
!define EXE "Tarvel.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define DATA_FOLDER "$LOCALAPPDATA\${PRODUCT_DATA_DIR}"
; The command of the program's tray menu that saves everything and ends it.
!define ID_TRAY_EXIT 0x6001
!define SYNCHRONIZE 0x00100000
; How long a running copy gets to save its profiles and end.
!ifndef END_WAIT_MS
!define END_WAIT_MS 30000
!endif

Name "${APP}"
Caption "${APP} ${VERSION} Setup"
UninstallCaption "${APP} Uninstall"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) the ${APP} developers"

!define MUI_ICON "${PAYLOAD}/appico.ico"
!define MUI_UNICON "${PAYLOAD}/appico.ico"
; The side picture of the welcome and finish pages (wizard.sh renders it).
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}/wizard.bmp"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_WELCOMEPAGE_TEXT "This will install ${APP} ${VERSION}, the configuration utility for your wireless gaming mouse, for your user account. No administrator rights are needed.$\r$\n$\r$\nIf ${APP} is running, setup ends it first; it saves your profiles. Your profiles and macros are kept when you install over an earlier version.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP} now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---- Ending a running copy ---------------------------------------------------
;
; A running Tarvel.exe holds files the installer replaces or removes, and its
; profiles are saved only on its own way out. So it is ended the way its tray
; menu's Exit ends it: the command posted to its main window (a dialog with
; the product's title), then a wait for the process. A copy still starting
; has no window yet but already holds the product's mutex: it is waited for.
; When a copy does not end, nothing is touched and the run stops.
!macro END_RUNNING_PROGRAM un
Function ${un}EndRunningProgram
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0 ; milliseconds waited for a window
  ${Do}
    FindWindow $0 "#32770" "${PRODUCT_WINDOW_TITLE}"
    ${If} $0 <> 0
      DetailPrint "Ending ${APP}, which saves your profiles..."
      System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
      System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
      System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${ID_TRAY_EXIT}, p 0)'
      ${If} $2 <> 0
        System::Call 'kernel32::WaitForSingleObject(p r2, i ${END_WAIT_MS}) i .r1'
        System::Call 'kernel32::CloseHandle(p r2)'
        ${If} $1 <> 0
          ${Break} ; still running after the wait
        ${EndIf}
      ${Else}
        Sleep 500
        IntOp $3 $3 + 500
      ${EndIf}
    ${Else}
      System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${PRODUCT_MUTEX}") p .r2'
      ${If} $2 = 0
        ${Break} ; no copy runs
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r2)'
      Sleep 500
      IntOp $3 $3 + 500
    ${EndIf}
  ${LoopUntil} $3 >= ${END_WAIT_MS}

  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${PRODUCT_MUTEX}") p .r2'
  ${If} $2 <> 0
    System::Call 'kernel32::CloseHandle(p r2)'
    MessageBox MB_OK|MB_ICONSTOP "${APP} is still running and did not end. Close it from its tray menu (Exit), then run this again." /SD IDOK
    Abort "${APP} is still running."
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_RUNNING_PROGRAM ""
!insertmacro END_RUNNING_PROGRAM "un."

; ---- Install -----------------------------------------------------------------

Section "-Program" SecProgram
  ${If} $INSTDIR == "${DATA_FOLDER}"
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR holds your profiles and macros. Choose another folder for the program." /SD IDOK
    Abort "The install folder is the data folder."
  ${EndIf}
  Call EndRunningProgram
  Call RemoveEarlierVersion

  !include "${NSH_DIR}/files.nsh"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Start ${APP} with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${APP}" '"$INSTDIR\${EXE}"'
SectionEnd

; An installed version is removed by its own uninstaller, silently, so it
; keeps the profiles and macros and takes away exactly the files it put in
; place (files this version no longer ships among them). It runs in place
; (_?=) so setup can wait for it; its own file is removed here after it.
Function RemoveEarlierVersion
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == ""
  ${OrIfNot} ${FileExists} "$R0\${UNINSTALLER}"
    Return
  ${EndIf}
  DetailPrint "Removing the installed version from $R0; your profiles and macros stay."
  ClearErrors
  ExecWait '"$R0\${UNINSTALLER}" /S _?=$R0' $R1
  ${If} ${Errors}
  ${OrIf} $R1 <> 0
    MessageBox MB_OK|MB_ICONSTOP "The installed version of ${APP} in $R0 could not be removed. Nothing was changed." /SD IDOK
    Abort "The installed version could not be removed."
  ${EndIf}
  Delete "$R0\${UNINSTALLER}"
  RMDir "$R0"
FunctionEnd

Function .onInit
  ; Starting with Windows: asked for on the command line, or kept from the
  ; installed version.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
  ReadRegStr $R1 HKCU "${RUN_KEY}" "${APP}"
  ${If} $R1 != ""
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  ${If} $INSTDIR == "${DATA_FOLDER}"
    Abort
  ${EndIf}
FunctionEnd

; ---- Uninstall ---------------------------------------------------------------

Section "Uninstall"
  Call un.EndRunningProgram

  !include "${NSH_DIR}/unfiles.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The Run entry only when it starts this copy.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${APP}"
  ${If} $0 == '"$INSTDIR\${EXE}"'
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
  ${EndIf}

  Call un.RemoveDataIfAsked
SectionEnd

; The profiles and macros stay unless the user says otherwise; a silent
; uninstall keeps them. Only the stores the program writes are removed: the
; profiles (pro.dct), the current profile (curid.dct), the macro dump
; (mac.dct) and the macro library (Mac), then the folder when it is empty.
Function un.RemoveDataIfAsked
  ${IfNot} ${FileExists} "${DATA_FOLDER}\*.*"
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "Keep your ${APP} profiles and macros?$\r$\n$\r$\nThey stay in ${DATA_FOLDER} and are used again when you install ${APP} later. Choose No to remove them." /SD IDYES IDYES keep
  DetailPrint "Removing your profiles and macros from ${DATA_FOLDER}"
  Delete "${DATA_FOLDER}\pro.dct"
  Delete "${DATA_FOLDER}\curid.dct"
  Delete "${DATA_FOLDER}\mac.dct"
  RMDir /r "${DATA_FOLDER}\Mac"
!if "${PRODUCT_DATA_DIR}" != ""
  RMDir "${DATA_FOLDER}" ; without a name of its own it is the local application data itself
!endif
  Return
keep:
  DetailPrint "Your profiles and macros stay in ${DATA_FOLDER}"
FunctionEnd
