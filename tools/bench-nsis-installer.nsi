; Bench only, never part of the package: an installer built with NSIS that
; does the work of Install.exe's three steps, so that tools/bench-nsis can
; time ours against it. The same ten copies into the install directory and
; the four into the system folders, the same registry values, the setup
; tool's run from the package folder, the same five links. (Not the widening
; of the parameter key's access list, which takes a plug-in.)
;
;   makensis -DPACKAGE_DIR=<package folder> -DOUT_FILE=<installer> bench-nsis-installer.nsi
;
; The installer must sit in the package folder (it runs the setup tool from
; there, as Install.exe does). Silent; exit code 2 when the setup tool
; reported failure. The benchmark checks afterwards that everything is in
; place, so a value changed here or in the installer shows up at once.
Unicode true
Target amd64-unicode
Name "Quortouch USB Touchscreen"
OutFile "${OUT_FILE}"
RequestExecutionLevel admin
SilentInstall silent
; Stored, not compressed: writing a file is then what copying it is.
SetCompress off

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VessaTouch"
!define PARAMETER_KEY "System\Currentcontrolset\Services\VessaUsb\Parameters"
!define GROUP "$SMPROGRAMS\Quortouch USB Touchscreen"

Section
  SetRegView 64
  SetShellVarContext all

  ; The files.
  SetOutPath "$WINDIR\QuortouchUSB"
  File "${PACKAGE_DIR}/QuortouchUsb.cpl"
  File "${PACKAGE_DIR}/QuortouchUsb.exe"
  File "${PACKAGE_DIR}/QuorUsb.sys"
  File "${PACKAGE_DIR}/QuorUsb.inf"
  File "${PACKAGE_DIR}/QuortouchUsb.chm"
  File "${PACKAGE_DIR}/QuorUsb.exe"
  File "${PACKAGE_DIR}/Install.exe"
  File "${PACKAGE_DIR}/Write.exe"
  File "${PACKAGE_DIR}/RBtn.exe"
  File "${PACKAGE_DIR}/ReadMe.txt"
  SetOutPath "$SYSDIR"
  File "${PACKAGE_DIR}/QuortouchUsb.cpl"
  File "${PACKAGE_DIR}/QuortouchUsb.exe"
  SetOutPath "$SYSDIR\Drivers"
  File "${PACKAGE_DIR}/QuorUsb.sys"
  SetOutPath "$WINDIR\inf"
  File "${PACKAGE_DIR}/QuorUsb.inf"

  ; The registry entries.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quortouch USB Touchscreen Driver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$WINDIR\QuortouchUSB\Install.exe /u"
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "SwapXY" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "ScreenWidth" 100
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "ScreenHigh" 100
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "DragDelay" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "ButtonMode" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "TopLeftOffsetX" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "TopLeftOffsetY" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "TopRightOffsetX" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "TopRightOffsetY" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BottomLeftOffsetX" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BottomLeftOffsetY" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BottomRightOffsetX" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BottomRightOffsetY" 0
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BeepMode" 2
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BeepFreq" 1000
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "BeepTime" 11000
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "MouseMode" 3
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "DblClickRegion" 10
  WriteRegDWORD HKLM "${PARAMETER_KEY}" "Calibration4Pt" 0
  WriteRegStr HKLM "Control Panel\Mouse" "DoubleClickHeight" "25"
  WriteRegStr HKLM "Control Panel\Mouse" "DoubleClickWidth" "25"
  WriteRegStr HKLM "Control Panel\Mouse" "DoubleClickSpeed" "100"

  ; The driver, through the setup tool of the package folder.
  SetOutPath "$EXEDIR"
  ExecWait '"$EXEDIR\QuorUsb.exe" "$EXEDIR\QuorUsb.inf" 10 setup' $0

  ; The program group; the links start in the install directory.
  SetOutPath "$WINDIR\QuortouchUSB"
  CreateDirectory "${GROUP}"
  CreateShortcut "${GROUP}\Uninstall QuorTouch.lnk" "$WINDIR\QuortouchUSB\Install.exe" "/u" "" "" "" "" "Uninstall"
  CreateShortcut "${GROUP}\Quortouch help.lnk" "$WINDIR\QuortouchUSB\QuortouchUsb.chm" "" "" "" "" "" "Quortouch USB Touchscreen Help"
  CreateShortcut "${GROUP}\Calibration.lnk" "$WINDIR\QuortouchUSB\QuortouchUsb.exe" "" "" "" "" "" "Calibration"
  CreateShortcut "${GROUP}\Right Button.lnk" "$WINDIR\QuortouchUSB\RBtn.exe" "" "" "" "" "" "Right Button"
  CreateShortcut "${GROUP}\HandWritting Demo.lnk" "$WINDIR\QuortouchUSB\Write.exe" "" "" "" "" "" "HandWritting Demo"

  IntCmp $0 2 0 done done
    SetErrorLevel 2
  done:
SectionEnd
