# The package layout for the NSIS installer of tools/bench-nsis (bench only):
# writes an include file with the names and two macros, PACKAGE_FILES (the
# files into the install folder, then the NT family's second copies) and
# START_MENU_LINKS, made from the layout that quortouch_read_package_layout
# read.
#   quortouch_write_nsis_layout(<file>)
function(quortouch_write_nsis_layout out)
  set(folder "$WINDIR\\${PACKAGE_LAYOUT_INSTALL_FOLDER_NAME}")
  set(text "; Made by tests/bench/nsis_layout.cmake from common/package_layout.h.
!define INSTALL_FOLDER \"${PACKAGE_LAYOUT_INSTALL_FOLDER_NAME}\"
!define START_MENU_FOLDER \"${PACKAGE_LAYOUT_START_MENU_FOLDER_NAME}\"
!define UNINSTALL_KEY \"${PACKAGE_LAYOUT_UNINSTALL_PARENT_KEY}\\${PACKAGE_LAYOUT_UNINSTALL_ENTRY_NAME}\"
!define UNINSTALL_COMMAND \"${folder}\\${PACKAGE_LAYOUT_INSTALLER_FILE_NAME} /u\"
!define DRIVER_SETUP_TOOL \"${PACKAGE_LAYOUT_DRIVER_SETUP_TOOL}\"
!define DRIVER_INF_NAME \"${PACKAGE_LAYOUT_DRIVER_INF_NAME}\"

!macro PACKAGE_FILES
  SetOutPath \"${folder}\"
")
  foreach(id IN LISTS PACKAGE_FILE_IDS)
    string(APPEND text "  File \"\${PACKAGE_DIR}/${PACKAGE_FILE_${id}_NAME}\"\n")
  endforeach()
  foreach(id IN LISTS PACKAGE_FILE_IDS)
    set(target "${PACKAGE_FILE_${id}_NT_TARGET}")
    if(NOT target STREQUAL "")
      string(REPLACE "\\" ";" parts "${target}")
      list(POP_BACK parts name)
      list(PREPEND parts "$WINDIR")
      list(JOIN parts "\\" directory)
      string(APPEND text "  SetOutPath \"${directory}\"
  File \"/oname=${name}\" \"\${PACKAGE_DIR}/${PACKAGE_FILE_${id}_NAME}\"\n")
    endif()
  endforeach()
  string(APPEND text "!macroend

!macro START_MENU_LINKS
  CreateDirectory \"$SMPROGRAMS\\\${START_MENU_FOLDER}\"
")
  foreach(n RANGE 1 ${PACKAGE_SHORTCUT_COUNT})
    string(APPEND text "  CreateShortcut \"$SMPROGRAMS\\\${START_MENU_FOLDER}\\${PACKAGE_SHORTCUT_${n}_LINK_FILE}\" \"${folder}\\${PACKAGE_SHORTCUT_${n}_TARGET}\" \"${PACKAGE_SHORTCUT_${n}_ARGUMENTS}\" \"\" \"\" \"\" \"\" \"${PACKAGE_SHORTCUT_${n}_DESCRIPTION}\"\n")
  endforeach()
  string(APPEND text "!macroend\n")
  file(WRITE ${out} "${text}")
endfunction()
