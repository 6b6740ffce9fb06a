# Puts the package files flat into one folder, zips it with fixed bytes and
# writes SHA256SUMS beside the zip.
#   cmake -DPACKAGE_DIR=... -DPACKAGE_ZIP=... -DPACKAGE_FILES="Name=source|..."
#         -DSOURCE_DIR=... -DPYTHON3=... -P assemble_package.cmake
# A file whose source is missing is listed and left out; the zip is made only
# when all files are there. The zip's times, and the folder's file times,
# are the commit's time (source_epoch.cmake), so one commit always gives the
# same zip.
cmake_minimum_required(VERSION 3.20)

get_filename_component(parent ${PACKAGE_DIR} DIRECTORY)
file(REMOVE_RECURSE ${PACKAGE_DIR})
# Zips of earlier versions, and the sums that listed them, go too.
file(GLOB old_zips ${parent}/QuortouchUsb*.zip)
file(REMOVE ${old_zips} ${parent}/SHA256SUMS)
file(MAKE_DIRECTORY ${PACKAGE_DIR})

string(REPLACE "|" ";" PACKAGE_FILES "${PACKAGE_FILES}")
list(LENGTH PACKAGE_FILES expected)
set(missing "")
set(count 0)
foreach(entry ${PACKAGE_FILES})
  string(FIND "${entry}" "=" eq)
  string(SUBSTRING "${entry}" 0 ${eq} name)
  math(EXPR from "${eq} + 1")
  string(SUBSTRING "${entry}" ${from} -1 source)
  if(source STREQUAL "" OR NOT EXISTS "${source}")
    list(APPEND missing ${name})
    continue()
  endif()
  file(COPY_FILE ${source} ${PACKAGE_DIR}/${name})
  file(SIZE ${PACKAGE_DIR}/${name} size)
  math(EXPR kb "(${size} + 1023) / 1024")
  message(STATUS "package: ${name} ${kb} KB")
  math(EXPR count "${count} + 1")
endforeach()

if(missing)
  list(JOIN missing ", " missing_text)
  message(WARNING "package: ${count} of ${expected} files; missing: ${missing_text}. No zip made.")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/source_epoch.cmake)
source_epoch(epoch ${SOURCE_DIR})
execute_process(COMMAND ${PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/make_package_zip.py ${PACKAGE_DIR} ${PACKAGE_ZIP} ${epoch}
  RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "package: zip failed (${zipped})")
endif()
message(STATUS "package: ${PACKAGE_DIR}, ${PACKAGE_ZIP} and SHA256SUMS")
