; Bench only, never part of the package: an installer built with NSIS that
; does the work of Install.exe's three steps, so that tools/bench-nsis can
; time ours against it. The same copies into the install directory and the
; system folders, the same registry values, the setup tool's run from the
; package folder, the same links: the files, links and names come from the
; package layout (LAYOUT_NSH, which the build makes from
; common/package_layout.h). (Not the widening of the parameter key's access
; list, which takes a plug-in.)
;
;   makensis -DPACKAGE_DIR=<package folder> -DLAYOUT_NSH=<build>/tests/bench/package_layout.nsh
;            -DOUT_FILE=<installer> bench-nsis-installer.nsi
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

!include "${LAYOUT_NSH}"
!define PARAMETER_KEY "System\Currentcontrolset\Services\VessaUsb\Parameters"

Section
  SetRegView 64
  SetShellVarContext all

  ; The files.
  !insertmacro PACKAGE_FILES

  ; The registry entries.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quortouch USB Touchscreen Driver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "${UNINSTALL_COMMAND}"
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
  ExecWait '"$EXEDIR\${DRIVER_SETUP_TOOL}" "$EXEDIR\${DRIVER_INF_NAME}" 10 setup' $0

  ; The program group; the links start in the install directory.
  SetOutPath "$WINDIR\${INSTALL_FOLDER}"
  !insertmacro START_MENU_LINKS

  IntCmp $0 2 0 done done
    SetErrorLevel 2
  done:
SectionEnd
