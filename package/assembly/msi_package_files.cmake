# The Windows Installer package's files, made from the package layout (read
# with quortouch_read_package_layout first) for QuortouchUsb.wxs to include:
#   PackageFiles.wxi      the directories under TARGETDIR that hold files:
#                         WindowsFolder with INSTALLDIR (one component per
#                         package file, its id the row's id) and the folders
#                         of the NT family's second copies ("System" + id),
#                         System32 being System64Folder;
#   PackageFileRefs.wxi   a ComponentRef for each of those components.
# Component and file ids are the rows' ids, so the components' generated GUIDs
# stay as they were.
#   quortouch_write_msi_package_files(<folder>)

function(_quortouch_xml_text text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One component with its file: <Component Id=id><File Id=id Name=name .../>.
function(_quortouch_msi_component indent id name out)
  _quortouch_xml_text("${name}" xml_name)
  set(${out} "${${out}}${indent}<Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">
${indent}  <File Id=\"${id}\" Name=\"${xml_name}\" Source=\"$(var.PackageDir)/${xml_name}\" KeyPath=\"yes\"/>
${indent}</Component>
" PARENT_SCOPE)
endfunction()

# A folder of second copies ("" for the root itself): its components, then its
# subfolders, each as <Directory Id="<Parts>Folder" Name="<part>">.
function(_quortouch_msi_folder folder indent)
  set(text "")
  foreach(component IN LISTS folder_${folder}_components)
    _quortouch_msi_component("${indent}" System${component} "${PACKAGE_FILE_${component}_NAME}" text)
    list(APPEND refs System${component})
  endforeach()
  foreach(child IN LISTS folder_${folder}_children)
    string(REPLACE "/" ";" parts "${child}")
    list(GET parts -1 name)
    list(REMOVE_AT parts 0)
    set(id "")
    foreach(part IN LISTS parts)
      string(SUBSTRING "${part}" 0 1 first)
      string(SUBSTRING "${part}" 1 -1 others)
      string(TOUPPER "${first}" first)
      string(APPEND id "${first}${others}")
    endforeach()
    _quortouch_xml_text("${name}" xml_name)
    string(APPEND text "${indent}<Directory Id=\"${id}Folder\" Name=\"${xml_name}\">\n")
    _quortouch_msi_folder("${child}" "${indent}  ")
    string(APPEND text "${folder_text}${indent}</Directory>\n")
  endforeach()
  set(folder_text "${text}" PARENT_SCOPE)
  set(refs "${refs}" PARENT_SCOPE)
endfunction()

function(quortouch_write_msi_package_files out_dir)
  _quortouch_xml_text("${PACKAGE_LAYOUT_INSTALL_FOLDER_NAME}" install_folder)
  set(refs "")
  set(installed "")
  foreach(id IN LISTS PACKAGE_FILE_IDS)
    _quortouch_msi_component("      " ${id} "${PACKAGE_FILE_${id}_NAME}" installed)
    list(APPEND refs ${id})
  endforeach()

  # The second copies by folder: "WindowsFolder/inf",
  # "System64Folder/Drivers", in the order they first come.
  set(roots WindowsFolder System64Folder)
  foreach(id IN LISTS PACKAGE_FILE_IDS)
    set(target "${PACKAGE_FILE_${id}_NT_TARGET}")
    if(target STREQUAL "")
      continue()
    endif()
    string(REPLACE "\\" ";" parts "${target}")
    list(POP_BACK parts)
    set(first "")
    if(parts)
      list(GET parts 0 first)
      string(TOLOWER "${first}" first)
    endif()
    if(first STREQUAL "system32")
      list(REMOVE_AT parts 0)
      set(folder System64Folder)
    else()
      set(folder WindowsFolder)
    endif()
    foreach(part IN LISTS parts)
      set(parent ${folder})
      string(APPEND folder "/${part}")
      if(NOT folder IN_LIST folder_${parent}_children)
        list(APPEND folder_${parent}_children "${folder}")
      endif()
    endforeach()
    list(APPEND folder_${folder}_components ${id})
  endforeach()

  _quortouch_msi_folder(WindowsFolder "    ")
  set(windows_folder "${folder_text}")
  _quortouch_msi_folder(System64Folder "    ")
  set(system_folder "${folder_text}")

  set(made "Made by package/assembly/msi_package_files.cmake from common/package_layout.h")
  file(WRITE ${out_dir}/PackageFiles.wxi "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- ${made}. -->
<Include>
  <Directory Id=\"WindowsFolder\">
    <Directory Id=\"INSTALLDIR\" Name=\"${install_folder}\">
${installed}    </Directory>
${windows_folder}  </Directory>
  <Directory Id=\"System64Folder\">
${system_folder}  </Directory>
</Include>
")
  set(text "")
  foreach(ref IN LISTS refs)
    string(APPEND text "  <ComponentRef Id=\"${ref}\"/>\n")
  endforeach()
  file(WRITE ${out_dir}/PackageFileRefs.wxi "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- ${made}. -->
<Include>
${text}</Include>
")
endfunction()
