# Builds the Windows Installer package with wixl from the package folder; its
# file list is made from the package layout (msi_package_files.cmake).
#   cmake -DWIXL=... -DMSIBUILD=... -DSOURCE=QuortouchUsb.wxs -DPACKAGE_DIR=...
#         -DLAYOUT_HEADER=package_layout.h -DACTIONS_DLL=... -DPRODUCT_ICON=...
#         -DVERSION=x.y.z -DPRODUCT_CODE={...} -DUPGRADE_CODE=... -DACTIVE_SETUP_ID=...
#         -DSOURCE_DIR=<the tree>
#         -DOUTPUT=....msi -P build_msi.cmake
# What wixl can't express is set here with msibuild: the rollback type of the
# undo actions; the removal of an older version only once the newer one is
# complete (right after InstallFinalize), so that a failed upgrade leaves the
# older version as it was (Wine's installer runs that removal as an
# installation of its own, which no rollback of the newer one can undo); and
# CALIBRATE_AT_LOGON as a secure property (passed to the installation's server
# side also when set by a user without rights).
cmake_minimum_required(VERSION 3.20)

foreach(var WIXL MSIBUILD SOURCE PACKAGE_DIR LAYOUT_HEADER ACTIONS_DLL PRODUCT_ICON VERSION PRODUCT_CODE UPGRADE_CODE
            ACTIVE_SETUP_ID SOURCE_DIR OUTPUT)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "build_msi: ${var} is not set")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/PackageLayout.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/msi_package_files.cmake)
quortouch_read_package_layout(${LAYOUT_HEADER})
foreach(name IN LISTS PACKAGE_FILE_NAMES)
  if(NOT EXISTS ${PACKAGE_DIR}/${name})
    message(FATAL_ERROR "build_msi: ${PACKAGE_DIR}/${name} is missing")
  endif()
endforeach()

# wixl and msibuild read and write times as local times: UTC, whatever the
# machine's zone, for the same bytes everywhere.
set(ENV{TZ} UTC)

# wixl takes the sources relative to the .wxs file's folder.
get_filename_component(source_dir ${SOURCE} DIRECTORY)
file(RELATIVE_PATH package_dir ${source_dir} ${PACKAGE_DIR})
file(RELATIVE_PATH actions_dll ${source_dir} ${ACTIONS_DLL})
file(RELATIVE_PATH product_icon ${source_dir} ${PRODUCT_ICON})

set(partial ${OUTPUT}.partial)
set(included ${OUTPUT}.include)
file(REMOVE ${partial} ${OUTPUT})
file(REMOVE_RECURSE ${included})
quortouch_write_msi_package_files(${included})
execute_process(
  COMMAND ${WIXL} -a x64 -D Version=${VERSION} -D ProductCode=${PRODUCT_CODE} -D UpgradeCode=${UPGRADE_CODE}
          -D ActiveSetupId=${ACTIVE_SETUP_ID}
          -D PackageDir=${package_dir} -I ${included}
          -D "StartMenuFolder=${PACKAGE_LAYOUT_START_MENU_FOLDER_NAME}" -D "HelpFile=${PACKAGE_LAYOUT_HELP_FILE_NAME}"
          -D ActionsDll=${actions_dll} -D ProductIcon=${product_icon} -o ${partial} ${SOURCE}
  RESULT_VARIABLE built ERROR_VARIABLE messages)
file(REMOVE_RECURSE ${included})
if(NOT built EQUAL 0)
  message(FATAL_ERROR "build_msi: wixl failed (${built}): ${messages}")
endif()

# Type = DLL from the Binary table (1) + in-script (0x400) + rollback (0x100)
# + ignore the result (0x40) + no impersonation (0x800). The log-on
# calibration's component: not with CALIBRATE_AT_LOGON=0, not on Windows 6.0,
# and on an upgrade only when the earlier version had it.
execute_process(
  COMMAND ${MSIBUILD} ${partial}
          -q "UPDATE `CustomAction` SET `Type` = 3393 WHERE `Action` = 'UndoPackageRemoval'"
          -q "UPDATE `CustomAction` SET `Type` = 3393 WHERE `Action` = 'UndoPackageInstall'"
          -q "UPDATE `CustomAction` SET `Type` = 3393 WHERE `Action` = 'RelistEarlierVersion'"
          -q "UPDATE `Component` SET `Condition` = 'CALIBRATE_AT_LOGON <> \"0\" AND VersionNT <> 600 AND (NOT WIX_UPGRADE_DETECTED OR LOGON_CALIBRATION_FOUND)' WHERE `Component` = 'LogonCalibrationForEveryUser'"
          -q "UPDATE `InstallExecuteSequence` SET `Sequence` = 6610 WHERE `Action` = 'RemoveExistingProducts'"
          -q "UPDATE `Property` SET `Value` = 'CALIBRATE_AT_LOGON;LOGON_CALIBRATION_FOUND;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'"
  RESULT_VARIABLE patched ERROR_VARIABLE messages)
if(NOT patched EQUAL 0)
  message(FATAL_ERROR "build_msi: msibuild failed (${patched}): ${messages}")
endif()
# Same bytes from every build of one commit. wixl stamps the summary with the
# build's time and a random package code, and the cabinet with the package
# folder's file times (the commit's: make_package_zip.py). The summary gets
# the commit's time (source_epoch.cmake) and a package code made from the
# package's own bytes, so that two packages that differ in anything never
# share one.
include(${CMAKE_CURRENT_LIST_DIR}/source_epoch.cmake)
source_epoch(epoch ${SOURCE_DIR})
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
string(TIMESTAMP moment "%Y/%m/%d %H:%M:%S" UTC)
get_filename_component(work_dir ${OUTPUT} DIRECTORY)
function(write_summary package_code)
  file(WRITE ${work_dir}/_SummaryInformation.idt
       "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n"
       "9\t${package_code}\r\n12\t${moment}\r\n13\t${moment}\r\n")
  execute_process(COMMAND ${MSIBUILD} ${partial} -i _SummaryInformation.idt WORKING_DIRECTORY ${work_dir}
    RESULT_VARIABLE stamped ERROR_VARIABLE messages)
  file(REMOVE ${work_dir}/_SummaryInformation.idt)
  if(NOT stamped EQUAL 0)
    message(FATAL_ERROR "build_msi: msibuild failed on the summary (${stamped}): ${messages}")
  endif()
endfunction()
write_summary("{00000000-0000-0000-0000-000000000000}")
file(SHA256 ${partial} digest)
string(UUID package_code NAMESPACE ${UPGRADE_CODE} NAME "package ${digest}" TYPE SHA1 UPPER)
write_summary("{${package_code}}")

file(RENAME ${partial} ${OUTPUT})
file(SIZE ${OUTPUT} size)
math(EXPR kb "(${size} + 1023) / 1024")
message(STATUS "package: ${OUTPUT} ${kb} KB, version ${VERSION}, product code ${PRODUCT_CODE}, package code {${package_code}}")
