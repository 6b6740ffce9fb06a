# The package version, defined once by project(... VERSION ...), as the
# programs and the resource compiler see it:
#   - package_version.h (PACKAGE_VERSION_TEXT and the four numbers), on the
#     include path of everything built here;
#   - add_version_resource(<target> <file name> <description>): a VERSIONINFO
#     resource compiled into the target, with the company, the product, the
#     file's own description and the package version; each is listed, as
#     "<file name>|<file type: 1 program, 2 DLL, 3 driver>|<description>", in
#     the global property QUORTOUCH_VERSION_RESOURCES.
set(PACKAGE_VERSION_TWEAK 0)
if(NOT "${PROJECT_VERSION_TWEAK}" STREQUAL "")
  set(PACKAGE_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
endif()
set(PACKAGE_COMPANY "Quortouch")
set(PACKAGE_PRODUCT "Quortouch USB Touchscreen")
set(PACKAGE_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/package_version.h.in ${PACKAGE_GENERATED_DIR}/package_version.h @ONLY)
include_directories(${PACKAGE_GENERATED_DIR})

function(add_version_resource target file_name description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VERSION_FILE_TYPE VFT_APP)
    set(VERSION_FILE_SUBTYPE VFT2_UNKNOWN)
    set(type_number 1)
  elseif(type STREQUAL "SHARED_LIBRARY")
    set(VERSION_FILE_TYPE VFT_DLL)
    set(VERSION_FILE_SUBTYPE VFT2_UNKNOWN)
    set(type_number 2)
  else()  # the kernel driver, built as a module
    set(VERSION_FILE_TYPE VFT_DRV)
    set(VERSION_FILE_SUBTYPE VFT2_DRV_SYSTEM)
    set(type_number 3)
  endif()
  set_property(GLOBAL APPEND PROPERTY QUORTOUCH_VERSION_RESOURCES "${file_name}|${type_number}|${description}")
  set(VERSION_FILE_NAME "${file_name}")
  set(VERSION_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_info.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${PACKAGE_GENERATED_DIR}/package_version.h)
endfunction()
