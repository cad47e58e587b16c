; Setup of the order server: OrderSrv.exe with a Start Menu shortcut and its COM registration.
; By default for the current user only (no administrator): %LOCALAPPDATA%\Programs\OrderServer,
; registered with /RegServerPerUser. For all users (administrator): Program Files, registered
; machine-wide with /RegServer; /ALLUSERS chooses it in silent mode (/S).
; The settings file ORDERSRV.INI and the order journal ORDERSRV-JOURNAL.TXT beside the executable
; are never installed, replaced or removed: they hold the trader's settings, working orders and
; the trail of what was sent.
;   makensis -DVERSION=x.y.z -DSERVER_EXE=path\OrderSrv.exe -DOUTFILE=setup.exe OrderServer.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define PRODUCT "Order Server"
!define FOLDER "OrderServer"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrderServer"
!define INSTANCE_MUTEX "PREVINST:Ordersrv"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

Var AllUsers      ; 1: for all users (administrator), 0: for the current user
Var ScopeAllUsers ; radio button of the scope page
Var RegisterSwitch

Page custom ScopePage ScopePageLeave
Page directory
Page instfiles
UninstPage instfiles

; ---- Shared ------------------------------------------------------------------------------

; A running server holds its instance mutex: it would keep its executable from being replaced,
; and ending it would cut off a trader's orders. Such a setup refuses, and says why.
!macro RefuseWhileServerRuns UN
Function ${UN}RefuseWhileServerRuns
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is running. Close it (its notification-area icon, Exit) and run this again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RefuseWhileServerRuns ""
!insertmacro RefuseWhileServerRuns "un."

!macro UseScope
  ${If} $AllUsers == 1
    SetShellVarContext all
    SetRegView 64
    StrCpy $RegisterSwitch "/RegServer"
  ${Else}
    SetShellVarContext current
    SetRegView 64
    StrCpy $RegisterSwitch "/RegServerPerUser"
  ${EndIf}
!macroend

; ---- Setup -------------------------------------------------------------------------------

Function .onInit
  Call RefuseWhileServerRuns
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ${If} $AllUsers == 1
    UserInfo::GetAccountType
    Pop $R2
    ${If} $R2 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "An installation for all users needs an administrator: run this setup as administrator." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
  ${EndIf}
  Call ChooseFolder
FunctionEnd

Function ChooseFolder
  !insertmacro UseScope
  ${If} $AllUsers == 1
    StrCpy $INSTDIR "$PROGRAMFILES64\${FOLDER}"
  ${Else}
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${FOLDER}"
  ${EndIf}
FunctionEnd

Function ScopePage
  ${If} $AllUsers == 1
    Abort  ; chosen on the command line
  ${EndIf}
  nsDialogs::Create 1018
  Pop $R0
  ${NSD_CreateLabel} 0 0 100% 36u "Install ${PRODUCT} for you alone (no administrator needed; hosts that run as administrator will not find it), or for all users of this computer (needs an administrator)."
  Pop $R0
  ${NSD_CreateRadioButton} 0 44u 100% 12u "For me only (recommended)"
  Pop $R0
  ${NSD_Check} $R0
  ${NSD_CreateRadioButton} 0 60u 100% 12u "For all users (administrator)"
  Pop $ScopeAllUsers
  nsDialogs::Show
FunctionEnd

Function ScopePageLeave
  ${NSD_GetState} $ScopeAllUsers $R0
  ${If} $R0 == ${BST_CHECKED}
    ; Start again elevated: this process runs with the rights of the user who started it.
    ExecShell "runas" "$EXEPATH" "/ALLUSERS"
    Quit
  ${EndIf}
FunctionEnd

Section "Order Server"
  !insertmacro UseScope
  SetOutPath "$INSTDIR"
  File "${SERVER_EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ExecWait '"$INSTDIR\OrderSrv.exe" $RegisterSwitch' $R0
  ${If} $R0 != 0
    DetailPrint "Registration with $RegisterSwitch failed ($R0)"
    SetErrorLevel 3
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\OrderSrv.exe"

  ${If} $AllUsers == 1
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /ALLUSERS'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /ALLUSERS /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${Else}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${EndIf}
SectionEnd

; ---- Uninstall ---------------------------------------------------------------------------

Function un.onInit
  Call un.RefuseWhileServerRuns
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro UseScope
  ${If} $AllUsers == 1
    ExecWait '"$INSTDIR\OrderSrv.exe" /UnregServer' $R0
  ${Else}
    ExecWait '"$INSTDIR\OrderSrv.exe" /UnregServerPerUser' $R0
  ${EndIf}
  ${If} $R0 != 0
    DetailPrint "Unregistration failed ($R0)"
    SetErrorLevel 3
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\OrderSrv.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"  ; stays while it holds ORDERSRV.INI or the order journal
  ${If} $AllUsers == 1
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Else}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
