# wine_discover_tests(<target> TIMEOUT <s> [ENVIRONMENT <VAR=value>...]
#                     [VERSIONS <suite> <version>...])
#
# One CTest test per GoogleTest test of the program, found when CTest starts
# from the program's own --gtest_list_tests (run under tools/wine-run; again
# only after the program changed). A test added to the program runs without
# any change here. Before the program is built the tests are read from its
# sources (TEST and TEST_F lines), so that `ctest -N` lists them all and a
# run says what is not built.
# - <Suite>.<Test> runs alone in a fresh prefix.
# - When <Suite>AfterRestart.<Test> exists too, the pair is one scenario across
#   a restart: tests/support/restart_runs.sh runs both in one prefix and ends
#   the prefix between them; a <Suite>AfterSecondRestart.<Test> runs third,
#   after one more restart.
# - When <Suite>InAnotherPrefix.<Test> exists too, the pair is one scenario in
#   two fresh prefixes (tests/support/fresh_runs.sh): the first run leaves
#   what the second compares with outside the prefix.
# - With VERSIONS, every scenario of that suite runs once per Windows version
#   (Wine's names: vista, win7, win10, ...), the prefix posing as it.
function(wine_discover_tests target)
  cmake_parse_arguments(D "" "TIMEOUT" "ENVIRONMENT;VERSIONS" ${ARGN})
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_discovery.cmake")
  get_target_property(sources ${target} SOURCES)
  list(TRANSFORM sources PREPEND "${CMAKE_CURRENT_SOURCE_DIR}/" REGEX "^[^/]")
  set(versions "")
  if(D_VERSIONS)
    list(POP_FRONT D_VERSIONS suite)
    string(REPLACE ";" "," joined "${D_VERSIONS}")
    set(versions "${suite}=${joined}")
  endif()
  file(GENERATE OUTPUT "${include_file}" CONTENT "
set(WD_CMAKE [==[${CMAKE_COMMAND}]==])
set(WD_WINE_RUN [==[${CMAKE_SOURCE_DIR}/tools/wine-run]==])
set(WD_SUPPORT [==[${CMAKE_SOURCE_DIR}/tests/support]==])
set(WD_EXE [==[$<TARGET_FILE:${target}>]==])
set(WD_PREFIX [==[${target}_]==])
set(WD_LIST_FILE [==[${CMAKE_CURRENT_BINARY_DIR}/${target}_tests.txt]==])
set(WD_SOURCES [==[${sources}]==])
set(WD_TIMEOUT ${D_TIMEOUT})
set(WD_ENV [==[${D_ENVIRONMENT}]==])
set(WD_VERSIONS [==[${versions}]==])
include([==[${CMAKE_SOURCE_DIR}/cmake/WineTestList.cmake]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()
