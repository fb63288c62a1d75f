; The Windows setup program: a per-user install that asks for no administrator rights, and its
; uninstaller. build-setup.sh writes the product's defines into an include file and runs
; makensis on this script with -DPRODUCT_NSH=<that file>; see README ("Installers").
;
; The launcher writes beside itself (log, records, packages, game files), so it is installed
; where the player may write: %LOCALAPPDATA%\Programs\<id> unless the player chooses another
; folder. The uninstaller removes that whole folder, which is why the setup only installs into
; an empty folder or over an earlier install of the same product.

!include "${PRODUCT_NSH}"

Target ${NSIS_TARGET}
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_ID}"
; What the launcher writes outside its folder: the URL protocol (under the user's classes, or
; the machine's where it could not write those), the browser's settings for it (the same way),
; and its settings folder below the user's application data.
!define PROTOCOL "qzzefa"
!define PROTOCOL_EXECUTE "SOFTWARE\Microsoft\Internet Explorer\ProtocolExecute\${PROTOCOL}"
!define ELEVATION_POLICIES "SOFTWARE\Microsoft\Internet Explorer\Low Rights\ElevationPolicy"
!define SETTINGS_FOLDER "QzLauncherZEFA"
; The document mode of the browser control in launcher.exe, when product.ini asks for one.
!define BROWSER_EMULATION_KEY "SOFTWARE\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"

Name "${PRODUCT_NAME}"
OutFile "${OUTPUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT_ID}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${PRODUCT_VERSION}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${LAUNCHER_ICON}"
!define MUI_UNICON "${LAUNCHER_ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckChosenFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\launcher.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The program's language first: it is also the setup's language wherever the system's is
; neither of the two.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString FolderTaken ${LANG_SIMPCHINESE} "文件夹“$INSTDIR”中已有其他文件。$\r$\n卸载时会删除整个安装文件夹，请选择一个空文件夹或新文件夹。"
LangString FolderTaken ${LANG_ENGLISH} "The folder $INSTDIR already holds other files.$\r$\nUninstalling removes the whole install folder: please choose an empty or a new folder."
LangString ProgramsRunning ${LANG_SIMPCHINESE} "${PRODUCT_NAME} 或其游戏正在运行。$\r$\n点击“确定”将其关闭并继续，点击“取消”退出。"
LangString ProgramsRunning ${LANG_ENGLISH} "${PRODUCT_NAME} or its game is running.$\r$\nChoose OK to close it and go on, or Cancel to stop."
LangString ProgramsNotEnded ${LANG_SIMPCHINESE} "无法关闭正在运行的 ${PRODUCT_NAME} 或其游戏。请手动关闭后重试。"
LangString ProgramsNotEnded ${LANG_ENGLISH} "${PRODUCT_NAME} or its game is still running and could not be closed. Please close it and try again."
LangString FolderLeft ${LANG_SIMPCHINESE} "部分文件正在使用，未能删除：$\r$\n$INSTDIR"
LangString FolderLeft ${LANG_ENGLISH} "Some files are in use and were not removed:$\r$\n$INSTDIR"

VIProductVersion "${PRODUCT_VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PRODUCT_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PRODUCT_PUBLISHER}"

; $R0 = 1 when $INSTDIR may take the install: it does not exist, is empty, or holds this
; product's earlier install.
Function FolderIsFree
  StrCpy $R0 1
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
  ${AndIf} ${FileExists} "$INSTDIR\uninstall.exe"
    Return
  ${EndIf}
  FindFirst $0 $1 "$INSTDIR\*"
  ${DoUntil} $1 == ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
      StrCpy $R0 0
      ${Break}
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
  ClearErrors
FunctionEnd

Function CheckChosenFolder
  Call FolderIsFree
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderTaken)"
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  ; Without pages nobody can choose another folder: a silent setup ends with error level 2.
  ${If} ${Silent}
    Call FolderIsFree
    ${If} $R0 != 1
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; The programs started from the install folder (the launcher, the game it started, the updater
; it handed over to) keep their files from being replaced or removed: they are ended first.
!macro DEFINE_PROGRAM_FUNCTIONS UN
; Asks the process whose id is on the stack to close: WM_CLOSE to each of its visible top-level
; windows (its hidden ones belong to the system's parts inside it).
Function ${UN}CloseWindowsOf
  Exch $R6
  Push $R5
  Push $R4
  Push $R3
  StrCpy $R5 0
  ${Do}
    System::Call "user32::FindWindowExW(p 0, p R5, p 0, p 0) p .R5"
    ${If} $R5 == 0
      ${Break}
    ${EndIf}
    System::Call "user32::GetWindowThreadProcessId(p R5, *i .R4)"
    System::Call "user32::IsWindowVisible(p R5) i .R3"
    ${If} $R4 == $R6
    ${AndIf} $R3 != 0
      System::Call "user32::PostMessageW(p R5, i 0x10, p 0, p 0)"
    ${EndIf}
  ${Loop}
  Pop $R3
  Pop $R4
  Pop $R5
  Pop $R6
FunctionEnd

; Looks at every process of the player's; $R8 = how many run from $INSTDIR. With $R9 = 1 it
; also ends each of them and waits (10 s at most) until it has ended: asked to close first, so
; that a launcher ends through its own exit path and keeps the download list of its run, and
; ended by force only when it has not closed within 5 s.
Function ${UN}ScanPrograms
  StrCpy $R8 0
  StrCpy $1 "$INSTDIR\"
  StrLen $2 $1
  System::Call "kernel32::GetCurrentProcessId() i .r3"
  System::Alloc 16384
  Pop $0
  System::Call "psapi::EnumProcesses(p r0, i 16384, *i .r4) i .r5"
  ${If} $5 != 0
    IntOp $4 $4 / 4
    StrCpy $6 0
    ${DoWhile} $6 < $4
      IntOp $7 $6 * 4
      IntPtrOp $7 $0 + $7
      System::Call "*$7(i .r7)"
      ${If} $7 != $3
      ${AndIf} $7 != 0
        ; PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE
        System::Call "kernel32::OpenProcess(i 0x101001, i 0, i r7) p .r8"
        ${If} $8 != 0
          System::Call "kernel32::QueryFullProcessImageNameW(p r8, i 0, w .r9, *i ${NSIS_MAX_STRLEN}) i .r5"
          StrCpy $9 $9 $2
          ${If} $5 != 0
          ${AndIf} $9 == $1
            IntOp $R8 $R8 + 1
            ${If} $R9 == 1
              Push $7
              Call ${UN}CloseWindowsOf
              System::Call "kernel32::WaitForSingleObject(p r8, i 5000) i .r5"
              ${If} $5 != 0
                System::Call "kernel32::TerminateProcess(p r8, i 1)"
                System::Call "kernel32::WaitForSingleObject(p r8, i 10000)"
              ${EndIf}
            ${EndIf}
          ${EndIf}
          System::Call "kernel32::CloseHandle(p r8)"
        ${EndIf}
      ${EndIf}
      IntOp $6 $6 + 1
    ${Loop}
  ${EndIf}
  System::Free $0
FunctionEnd

; Asks before it ends anything (a silent run does not ask) and stops the run when the player
; declines or a program outlives its end.
Function ${UN}EndRunningPrograms
  StrCpy $R9 0
  Call ${UN}ScanPrograms
  ${If} $R8 == 0
    Return
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$(ProgramsRunning)" /SD IDOK IDOK end_them
  Abort
  end_them:
  ; An ended launcher may have started its game or updater just before: look again.
  ${For} $R7 1 3
    StrCpy $R9 1
    Call ${UN}ScanPrograms
    StrCpy $R9 0
    Call ${UN}ScanPrograms
    ${If} $R8 == 0
      Return
    ${EndIf}
  ${Next}
  MessageBox MB_OK|MB_ICONSTOP "$(ProgramsNotEnded)" /SD IDOK
  Abort
FunctionEnd
!macroend
!insertmacro DEFINE_PROGRAM_FUNCTIONS ""
!insertmacro DEFINE_PROGRAM_FUNCTIONS "un."

Section
  SetOutPath "$INSTDIR"
  Call EndRunningPrograms
  File "/oname=launcher.exe" "${LAUNCHER_EXE}"
  File "/oname=launcher.ico" "${LAUNCHER_ICON}"
!ifdef OEM_INI
  File "/oname=oem.ini" "${OEM_INI}"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT_NAME}.lnk" "$INSTDIR\launcher.exe" "" "$INSTDIR\launcher.ico" 0
  CreateShortCut "$DESKTOP\${PRODUCT_NAME}.lnk" "$INSTDIR\launcher.exe" "" "$INSTDIR\launcher.ico" 0

!ifdef BROWSER_EMULATION
  WriteRegDWORD HKCU "${BROWSER_EMULATION_KEY}" "launcher.exe" ${BROWSER_EMULATION}
!endif

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT_PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\launcher.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The protocol's keys go only when they still lead to this install's launcher: another install
; started later owns them then. The launcher writes them to the user's part of the registry,
; earlier ones (and runs that could not write there) to the machine's: both are looked at.
!macro REMOVE_PROTOCOL_FROM ROOT
  StrCpy $R1 0
  ReadRegStr $0 ${ROOT} "Software\Classes\${PROTOCOL}\shell\open\command" ""
  ${If} $0 == '"$INSTDIR\launcher.exe" "%1"'
    DeleteRegKey ${ROOT} "Software\Classes\${PROTOCOL}"
    StrCpy $R1 1
  ${EndIf}
  ${If} $R1 == 1
    DeleteRegKey ${ROOT} "${PROTOCOL_EXECUTE}"
  ${EndIf}
  ; One elevation policy per identifier the launcher made (a new one on every start where it
  ; could not keep its settings file): each that names this launcher goes.
  StrCpy $1 0
  ${Do}
    EnumRegKey $2 ${ROOT} "${ELEVATION_POLICIES}" $1
    ${If} $2 == ""
      ${Break}
    ${EndIf}
    ReadRegStr $3 ${ROOT} "${ELEVATION_POLICIES}\$2" "AppPath"
    ReadRegStr $4 ${ROOT} "${ELEVATION_POLICIES}\$2" "AppName"
    ClearErrors
    ${If} $3 == $INSTDIR
    ${AndIf} $4 == "launcher.exe"
      DeleteRegKey ${ROOT} "${ELEVATION_POLICIES}\$2"
    ${Else}
      SetErrors
    ${EndIf}
    ${If} ${Errors}
      IntOp $1 $1 + 1
    ${EndIf}
  ${Loop}
  ClearErrors
!macroend

Function un.RemoveProtocol
  ; The protocol key of the user's part decides for the browser's keys of both parts.
  !insertmacro REMOVE_PROTOCOL_FROM HKCU
  StrCpy $R3 $R1
  !insertmacro REMOVE_PROTOCOL_FROM HKLM
  ${If} $R3 == 1
    DeleteRegKey HKLM "${PROTOCOL_EXECUTE}"
  ${EndIf}
FunctionEnd

; The uninstaller runs as a copy in a folder of its own below %TEMP% (so that it can remove the
; install folder) and cannot remove that folder while it runs: a hidden command line does it
; once the copy has ended, trying again every second for a minute.
Function un.RemoveOwnCopy
  ${GetFileName} "$EXEDIR" $0
  StrCpy $0 $0 4
  ${If} $EXEDIR != $INSTDIR
  ${AndIf} $0 == "~nsu"
    ExecShell "" "$SYSDIR\cmd.exe" '/d /c for /l %i in (1,1,60) do (ping -n 2 127.0.0.1 >nul & rmdir /s /q "$EXEDIR" 2>nul & if not exist "$EXEDIR" exit)' SW_HIDE
  ${EndIf}
FunctionEnd

; An uninstall with pages ends when the player closes its last page.
Function un.onGUIEnd
  Call un.RemoveOwnCopy
FunctionEnd

Section "Uninstall"
  Call un.EndRunningPrograms
  Call un.RemoveProtocol
  ; The shortcuts and the uninstall entry belong to the product's latest install: an earlier
  ; one left in another folder leaves them to it.
  ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 == $INSTDIR
    Delete "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
    Delete "$DESKTOP\${PRODUCT_NAME}.lnk"
  ${EndIf}
  Delete "$APPDATA\${SETTINGS_FOLDER}\conf.ini"
  RMDir "$APPDATA\${SETTINGS_FOLDER}"
  ; Everything in the folder is the launcher's: what it installed, downloaded and unpacked.
  SetOutPath "$TEMP"
  RMDir /r "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderLeft)" /SD IDOK
  ${EndIf}
  ${If} $R2 == $INSTDIR
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
!ifdef BROWSER_EMULATION
  ReadRegDWORD $0 HKCU "${BROWSER_EMULATION_KEY}" "launcher.exe"
  ${If} $0 == ${BROWSER_EMULATION}
    DeleteRegValue HKCU "${BROWSER_EMULATION_KEY}" "launcher.exe"
  ${EndIf}
!endif
  ${If} ${Silent}
    Call un.RemoveOwnCopy
  ${EndIf}
SectionEnd
