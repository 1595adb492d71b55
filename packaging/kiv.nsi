; KIV's per-user installer: no administrator rights, Japanese pages (English where Windows' display
; language is not Japanese), silent with /S. CMake builds it (packaging/CMakeLists.txt) and hands
; in VERSION, VERSION_QUAD, PUBLISHER, COPYRIGHT, STAGE_DIR (the files to install), ICON and
; OUT_FILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; Installed files get the time of installation, so the installer holds no build time.
SetDateSave off
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KIV"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; What a running KIV is known by: its main window, whose close saves and ends it, and the name
; that marks a running instance until the process has gone.
!define KIV_WINDOW_CLASS "KIVMainWindow"
!define KIV_INSTANCE_NAME "KIV/Brackenhall"
!define SETTINGS_FOLDER "$APPDATA\${PUBLISHER}\KIV"

Name "KIV"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\KIV"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "KIV ${VERSION}"
ShowInstDetails hide
ShowUninstDetails hide

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

; Above the choice of the start at logon: what a running tray icon means for the shortcuts.
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(ComponentsTop)"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\kiv.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/t"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunTrayNow)"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowGuide)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for every display language without pages of its own.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "KIV"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "KIV ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

LangString SecProgramName ${LANG_ENGLISH} "KIV (required)"
LangString SecProgramName ${LANG_JAPANESE} "KIV (必須)"
LangString SecLogonName ${LANG_ENGLISH} "Start the tray icon at logon"
LangString SecLogonName ${LANG_JAPANESE} "ログオン時に通知領域アイコンを起動する"
; A second KIV ends at once while one runs: with the tray icon running, the icon does what the
; other shortcuts would.
LangString ComponentsTop ${LANG_ENGLISH} `While the tray icon runs, "KIV Settings", "KIV Scroll Toggle" and a shortcut key do nothing: double-click the icon to switch the wheel, and choose "ウィンドウを表示" in its menu for the settings window.`
LangString ComponentsTop ${LANG_JAPANESE} "通知領域アイコンが動いている間は、「KIV 設定」「KIV スクロール切り替え」とショートカット キーは何もしません。スクロールのモードはアイコンのダブルクリックで切り替え、設定ウィンドウはメニューの「ウィンドウを表示」で開きます。"
LangString RunTrayNow ${LANG_ENGLISH} "Start the tray icon now"
LangString RunTrayNow ${LANG_JAPANESE} "通知領域アイコンを今すぐ起動する"
LangString ShowGuide ${LANG_ENGLISH} "Open the user's guide"
LangString ShowGuide ${LANG_JAPANESE} "ユーザーガイドを開く"
LangString UnSecProgramName ${LANG_ENGLISH} "KIV (program, shortcuts, logon entry)"
LangString UnSecProgramName ${LANG_JAPANESE} "KIV (プログラム、ショートカット、ログオン時の起動)"
LangString UnSecSettingsName ${LANG_ENGLISH} "Also delete the settings file (KIV.ini)"
LangString UnSecSettingsName ${LANG_JAPANESE} "設定ファイル (KIV.ini) も削除する"
LangString StillRunning ${LANG_ENGLISH} "KIV is running and did not close. Close KIV, then choose Retry."
LangString StillRunning ${LANG_JAPANESE} "KIV が実行中で、終了しませんでした。KIV を終了してから [再試行] を選んでください。"

; The three shortcuts, named in both languages: an upgrade or an uninstall in the other language
; finds the names that an earlier installation used.
!define LINK_WINDOW_EN "KIV Settings"
!define LINK_WINDOW_JA "KIV 設定"
!define LINK_TOGGLE_EN "KIV Scroll Toggle"
!define LINK_TOGGLE_JA "KIV スクロール切り替え"
!define LINK_TRAY_EN "KIV Tray Icon"
!define LINK_TRAY_JA "KIV 通知領域アイコン"
LangString LinkWindow ${LANG_ENGLISH} "${LINK_WINDOW_EN}"
LangString LinkWindow ${LANG_JAPANESE} "${LINK_WINDOW_JA}"
LangString LinkToggle ${LANG_ENGLISH} "${LINK_TOGGLE_EN}"
LangString LinkToggle ${LANG_JAPANESE} "${LINK_TOGGLE_JA}"
LangString LinkTray ${LANG_ENGLISH} "${LINK_TRAY_EN}"
LangString LinkTray ${LANG_JAPANESE} "${LINK_TRAY_JA}"
; Each one acts only while no other KIV runs.
LangString LinkWindowInfo ${LANG_ENGLISH} `Shows KIV's settings window; does nothing while another KIV runs: with the tray icon running, choose "ウィンドウを表示" in its menu`
LangString LinkWindowInfo ${LANG_JAPANESE} "KIV の設定ウィンドウを表示します。ほかの KIV が動いている間は何もしません。通知領域アイコンが動いているなら、そのメニューの「ウィンドウを表示」を選びます"
LangString LinkToggleInfo ${LANG_ENGLISH} "Switches the wheel between one screen and lines (give it a shortcut key); does nothing while another KIV runs: with the tray icon running, double-click the icon"
LangString LinkToggleInfo ${LANG_JAPANESE} "ホイールのスクロールを１画面と行数で切り替えます (ショートカット キーを割り当てられます)。ほかの KIV が動いている間は何もしません。通知領域アイコンが動いているなら、アイコンをダブルクリックします"
LangString LinkTrayInfo ${LANG_ENGLISH} "Starts KIV's notification-area icon; does nothing while another KIV runs"
LangString LinkTrayInfo ${LANG_JAPANESE} "KIV の通知領域アイコンを起動します。ほかの KIV が動いている間は何もしません"

!macro DELETE_SHORTCUTS
  Delete "$SMPROGRAMS\KIV\${LINK_WINDOW_EN}.lnk"
  Delete "$SMPROGRAMS\KIV\${LINK_WINDOW_JA}.lnk"
  Delete "$SMPROGRAMS\KIV\${LINK_TOGGLE_EN}.lnk"
  Delete "$SMPROGRAMS\KIV\${LINK_TOGGLE_JA}.lnk"
  Delete "$SMPROGRAMS\KIV\${LINK_TRAY_EN}.lnk"
  Delete "$SMPROGRAMS\KIV\${LINK_TRAY_JA}.lnk"
  RMDir "$SMPROGRAMS\KIV"
!macroend

; Closes a running KIV as a user would, through its window's close, which saves the settings,
; then waits until the process has gone and its files are free. Each window is asked once: a
; KIV that shows an error about the save waits for the user, who gets the chance to answer it.
!macro CLOSE_RUNNING_KIV prefix
Function ${prefix}CloseRunningKiv
  Push $0
  Push $1
  Push $2
  StrCpy $2 0
  retry:
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${KIV_WINDOW_CLASS}"
    ${If} $0 <> 0
    ${AndIf} $0 <> $2
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
      StrCpy $2 $0
    ${EndIf}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${KIV_INSTANCE_NAME}") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} $1 >= 150
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
      Pop $2
      Pop $1
      Pop $0
      Abort
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_KIV ""
!insertmacro CLOSE_RUNNING_KIV "un."

Section "!$(SecProgramName)" SecProgram
  SectionIn RO
  SetShellVarContext current
  Call CloseRunningKiv
  SetOutPath "$INSTDIR"
  File "${STAGE_DIR}\kiv.exe"
  File "${STAGE_DIR}\README.txt"
  File "${STAGE_DIR}\LICENSE.txt"
  File "${STAGE_DIR}\THIRD-PARTY-NOTICES.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  !insertmacro DELETE_SHORTCUTS
  CreateDirectory "$SMPROGRAMS\KIV"
  CreateShortcut "$SMPROGRAMS\KIV\$(LinkWindow).lnk" "$INSTDIR\kiv.exe" "/w" \
    "$INSTDIR\kiv.exe" 0 SW_SHOWNORMAL "" "$(LinkWindowInfo)"
  CreateShortcut "$SMPROGRAMS\KIV\$(LinkToggle).lnk" "$INSTDIR\kiv.exe" "" \
    "$INSTDIR\kiv.exe" 0 SW_SHOWNORMAL "" "$(LinkToggleInfo)"
  CreateShortcut "$SMPROGRAMS\KIV\$(LinkTray).lnk" "$INSTDIR\kiv.exe" "/t" \
    "$INSTDIR\kiv.exe" 0 SW_SHOWNORMAL "" "$(LinkTrayInfo)"

  ; The logon section below puts it back when it is chosen.
  DeleteRegValue HKCU "${RUN_KEY}" "KIV"
SectionEnd

Section "$(SecLogonName)" SecLogon
  WriteRegStr HKCU "${RUN_KEY}" "KIV" '"$INSTDIR\kiv.exe" /t'
SectionEnd

; Last, so that the size counts every file.
Section "-Registration"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "KIV"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\kiv.exe",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInit
  ; An upgrade keeps the earlier choice about the start at logon, in silent installs too.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "UninstallString"
  ReadRegStr $1 HKCU "${RUN_KEY}" "KIV"
  ${If} $0 != ""
  ${AndIf} $1 == ""
    !insertmacro UnselectSection ${SecLogon}
  ${EndIf}
FunctionEnd

Section "!un.$(UnSecProgramName)" UnSecProgram
  SectionIn RO
  SetShellVarContext current
  Call un.CloseRunningKiv
  Delete "$INSTDIR\kiv.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; A process that has only just ended (the KIV closed above, the installer before it) can keep
  ; the empty folder busy a moment longer: try again for up to three seconds.
  StrCpy $0 0
  ${Do}
    RMDir "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ${OrIf} $0 >= 30
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $0 $0 + 1
  ${Loop}
  !insertmacro DELETE_SHORTCUTS
  DeleteRegValue HKCU "${RUN_KEY}" "KIV"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off unless the user ticks it (or asks with /REMOVESETTINGS), and so not in a plain silent
; uninstall: the settings are the user's.
Section /o "un.$(UnSecSettingsName)" UnSecSettings
  SetShellVarContext current
  Delete "${SETTINGS_FOLDER}\KIV.ini"
  RMDir "${SETTINGS_FOLDER}"
  RMDir "$APPDATA\${PUBLISHER}"
SectionEnd

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
