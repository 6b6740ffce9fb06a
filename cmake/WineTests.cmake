# GoogleTest, cross-built from the Debian sources, and one CTest test per
# test program, run under Wine by tools/wine-run.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(${CMAKE_CURRENT_LIST_DIR}/WineTestDiscovery.cmake)

set(WINE_RUN_ROOT ${CMAKE_BINARY_DIR}/wine CACHE PATH "Wine prefixes of the test runs")
set(TEST_ARTIFACTS_DIR ${CMAKE_BINARY_DIR}/artifacts CACHE PATH "Screenshots and logs of the test runs")

# add_wine_test_program(<name> SOURCES <files...> [LIBS <libs...>] [TIMEOUT <s>]
#                       [SCREEN <WxHxD>] [DEPENDS <targets...>])
# A GoogleTest program built from the sources, run under Wine as one CTest
# test of that name.
function(add_wine_test_program name)
  cmake_parse_arguments(T "" "TIMEOUT;SCREEN" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} test_support)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  # The runner ends the program itself a little before CTest would kill it,
  # so that its clean-up runs and the prefix is kept as evidence.
  math(EXPR run_limit "${T_TIMEOUT} - 20")
  set(env "WINE_RUN_ROOT=${WINE_RUN_ROOT}" "WINE_RUN_NAME=${name}" "WINE_RUN_TIMEOUT=${run_limit}"
          "TEST_ARTIFACTS_DIR=${TEST_ARTIFACTS_DIR}" "TEST_BIN_DIR=${CMAKE_BINARY_DIR}")
  if(T_SCREEN)
    list(APPEND env "WINE_RUN_SCREEN=${T_SCREEN}")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
