# Puts the package files flat into one folder and zips it.
#   cmake -DPACKAGE_DIR=... -DPACKAGE_ZIP=... -DPACKAGE_FILES="Name=source|..." -P assemble_package.cmake
# A file whose source is missing is listed and left out; the zip is made only
# when all files are there.
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE ${PACKAGE_DIR})
file(REMOVE ${PACKAGE_ZIP})
file(MAKE_DIRECTORY ${PACKAGE_DIR})

string(REPLACE "|" ";" PACKAGE_FILES "${PACKAGE_FILES}")
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
  message(WARNING "package: ${count} of 10 files; missing: ${missing_text}. No zip made.")
  return()
endif()

get_filename_component(parent ${PACKAGE_DIR} DIRECTORY)
get_filename_component(folder ${PACKAGE_DIR} NAME)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${PACKAGE_ZIP} --format=zip ${folder}
  WORKING_DIRECTORY ${parent} RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "package: zip failed (${zipped})")
endif()
message(STATUS "package: ${PACKAGE_DIR} and ${PACKAGE_ZIP}")
