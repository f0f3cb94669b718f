; The Tarnelo installer for 64-bit Windows, built by scripts/windows:
;   makensis -INPUTCHARSET UTF8 -DVERSION=13.05 -DFILES=<folder of the file lists>
;            -DICON=<tarnelo.ico> -DLICENSE=<LICENSE> -DOUTFILE=<setup.exe> [-DWITH_WINDOW] tarnelo.nsi
; FILES holds install-files.nsh and uninstall-files.nsh (installer-files.py); WITH_WINDOW says
; tarnelo.exe is among them (a build without the window has only tarnelo-cli.exe).
;
; Who it installs for:
;   - not elevated (the usual double-click, no administrator rights asked for): for the current
;     user, into %LOCALAPPDATA%\Programs\Tarnelo, with its entries under HKEY_CURRENT_USER;
;   - elevated ("Run as administrator", a deployment tool): for all users, into Program Files,
;     with its entries under HKEY_LOCAL_MACHINE;
;   - /CurrentUser or /AllUsers on the command line decides it either way (/AllUsers needs the
;     installer to run elevated). /D=<folder>, last on the line, names another folder.
; An earlier installation in the same mode is updated in its own folder: its own uninstaller
; removes it first.
;
; The installed layout is the Debian package's (bin\, share\tarnelo\): the program finds no Data
; folder beside itself, so it keeps its settings in %LOCALAPPDATA%\Tarnelo and the user's
; measurements in Documents\Tarnelo, and never writes into the installation folder. Uninstalling
; deletes the files the installer put there, by name, and the folders only when they are empty;
; the user's folders are never touched.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!ifndef VERSION | FILES | ICON | LICENSE | OUTFILE
  !error "VERSION, FILES, ICON, LICENSE and OUTFILE must be defined (see scripts/windows)"
!endif

!define PUBLISHER "The Tarnelo developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnelo"
!define PROGID "Tarnelo.RawData"
!define PROGRAM "bin\tarnelo.exe"
; SHChangeNotify: the file associations changed.
!define SHCNE_ASSOCCHANGED 0x08000000
; What Windows returns for a program that needs elevation.
!define ERROR_ELEVATION_REQUIRED 740
; ... and for a file another program holds.
!define ERROR_SHARING_VIOLATION 32

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "Tarnelo ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Tarnelo ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "Tarnelo"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Tarnelo ${VERSION} 安装程序"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "MIT License, ${PUBLISHER}"

Var AllUsers ; 1: for all users (Program Files, HKLM); 0: for the current user
Var ModeText

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_LICENSEPAGE_BUTTON "下一步(&N) >"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Tarnelo 是自由软件，按 MIT 许可证发布。"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$ModeText"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef WITH_WINDOW
  !define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
  !define MUI_FINISHPAGE_RUN_TEXT "运行 Tarnelo"
!endif
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Shell folders and SHCTX follow the mode: the user's own or those of all users.
!macro UseMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend

!macro RefuseWithoutAdmin
  MessageBox MB_ICONSTOP|MB_OK "为所有用户安装或卸载 Tarnelo 需要管理员权限。$\r$\n请右击程序选择“以管理员身份运行”，或者只为当前用户安装（/CurrentUser）。" /SD IDOK
  SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
  Quit
!macroend

; A running program's files can be neither replaced nor deleted: while Tarnelo runs from this
; folder, the user is asked to close it, and a silent run ends with ERROR_SHARING_VIOLATION.
!macro NoteInUse FILE
  ${If} ${FileExists} "$INSTDIR\bin\${FILE}"
    ClearErrors
    FileOpen $0 "$INSTDIR\bin\${FILE}" a
    ${If} ${Errors}
      StrCpy $1 "${FILE}"
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend
!macro ProgramsClosedFunction PREFIX
  Function ${PREFIX}ProgramsClosed
    retry:
    StrCpy $1 ""
    !insertmacro NoteInUse "tarnelo-cli.exe"
    !insertmacro NoteInUse "tarnelo.exe"
    ${If} $1 != ""
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tarnelo 正在运行（$1），它的文件不能替换或删除。$\r$\n请先关闭 Tarnelo，再点“重试”。" /SD IDCANCEL IDRETRY retry
      SetErrorLevel ${ERROR_SHARING_VIOLATION}
      Quit
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro ProgramsClosedFunction ""
!insertmacro ProgramsClosedFunction "un."

Function .onInit
  UserInfo::GetAccountType
  Pop $0
  ${GetParameters} $1
  StrCpy $AllUsers 0
  ${If} $0 == "Admin"
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $2
  ${IfNot} ${Errors}
    ${If} $0 != "Admin"
      !insertmacro RefuseWithoutAdmin
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  !insertmacro UseMode

  ${If} $AllUsers == 1
    StrCpy $ModeText "为计算机的所有用户安装 Tarnelo ${VERSION}。以后可以在“设置 > 应用”里卸载。"
  ${Else}
    StrCpy $ModeText "为当前用户安装 Tarnelo ${VERSION}，不需要管理员权限。以后可以在“设置 > 应用”里卸载。"
  ${EndIf}
  ; /D= on the command line comes first, then the folder of an earlier installation.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Tarnelo"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Tarnelo"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Tarnelo" SecProgram
  SectionIn RO
  ; An earlier version here goes first, with its own uninstaller, so that none of its files stay
  ; behind for ever; the user's files are not among them.
  Call ProgramsClosed
  ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
    ${If} $AllUsers == 1
      StrCpy $0 "/AllUsers"
    ${Else}
      StrCpy $0 "/CurrentUser"
    ${EndIf}
    DetailPrint "正在删除以前安装的版本……"
    ExecWait '"$INSTDIR\Uninstall.exe" /S $0 _?=$INSTDIR'
  ${EndIf}
  ; An earlier installation in another folder goes too, with its own uninstaller: a second copy
  ; would stay behind with no entry under 设置 > 应用 to remove it.
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} $1 != $INSTDIR
  ${AndIf} ${FileExists} "$1\Uninstall.exe"
    ${If} $AllUsers == 1
      StrCpy $0 "/AllUsers"
    ${Else}
      StrCpy $0 "/CurrentUser"
    ${EndIf}
    DetailPrint "正在删除以前安装在 $1 的版本……"
    ExecWait '"$1\Uninstall.exe" /S $0 _?=$1'
    Delete "$1\Uninstall.exe"
    RMDir "$1"
  ${EndIf}
  !include /CHARSET=UTF8 "${FILES}/install-files.nsh"
  SetOutPath "$INSTDIR"
  File "/oname=tarnelo.ico" "${ICON}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The Start-menu entry; the program starts in the user's own folder.
  SetOutPath "$PROFILE"
  CreateShortCut "$SMPROGRAMS\Tarnelo.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\tarnelo.ico" 0 \
      SW_SHOWNORMAL "" "Tarnelo ${VERSION} 流速仪法流量计算"
  SetOutPath "$INSTDIR"

  ; "Open with" for raw data files. .dat belongs to many programs: its default is never set.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "Tarnelo 流速仪原始数据"
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "FriendlyTypeName" "Tarnelo 流速仪原始数据"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\tarnelo.ico"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" \
      '"$INSTDIR\${PROGRAM}" "%1"'
  WriteRegStr SHCTX "Software\Classes\.dat\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\Applications\tarnelo.exe" "FriendlyAppName" "Tarnelo"
  WriteRegStr SHCTX "Software\Classes\Applications\tarnelo.exe\DefaultIcon" "" \
      "$INSTDIR\tarnelo.ico"
  WriteRegStr SHCTX "Software\Classes\Applications\tarnelo.exe\SupportedTypes" ".dat" ""
  WriteRegStr SHCTX "Software\Classes\Applications\tarnelo.exe\shell\open\command" "" \
      '"$INSTDIR\${PROGRAM}" "%1"'

  ; "Apps & features".
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Tarnelo"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnelo.ico"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${If} $AllUsers == 1
    StrCpy $0 "/AllUsers"
  ${Else}
    StrCpy $0 "/CurrentUser"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" $0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" $0 /S'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "https://tarnelo.org/"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

Function un.onInit
  ; The mode of the installation in this folder: the uninstall entry passes it; without it, an
  ; installation for all users is the one the all-users entry names.
  StrCpy $AllUsers 0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $2
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${Else}
    ClearErrors
    ${GetOptions} $1 "/CurrentUser" $2
    ${If} ${Errors}
      ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $0 != ""
      ${AndIf} $0 == $INSTDIR
        StrCpy $AllUsers 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers == 1
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      !insertmacro RefuseWithoutAdmin
    ${EndIf}
  ${EndIf}
  !insertmacro UseMode
  Call un.ProgramsClosed
FunctionEnd

Section "Uninstall"
  ; The files the installer put there, by name; folders only when empty. The user's settings
  ; (%LOCALAPPDATA%\Tarnelo) and measurements (Documents\Tarnelo) are not in this folder.
  !include /CHARSET=UTF8 "${FILES}/uninstall-files.nsh"
  Delete "$INSTDIR\tarnelo.ico"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Tarnelo.lnk"

  ; Only the entries this installer made: the .dat key and its default stay.
  DeleteRegValue SHCTX "Software\Classes\.dat\OpenWithProgids" "${PROGID}"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegKey SHCTX "Software\Classes\Applications\tarnelo.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
