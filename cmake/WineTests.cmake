# Tests of the x86_64 Windows build run under 64-bit Wine. One fixture per
# test run makes a template Wine prefix; each Wine test runs in a copy of it,
# on a virtual display of its own (tests/harness/wine-test-env.sh), so Wine
# tests run side by side (ctest -j).

set(KORVANE_WINE_DIR ${CMAKE_BINARY_DIR}/wine-run)
set(KORVANE_HARNESS ${CMAKE_SOURCE_DIR}/tests/harness)
foreach(tool wine-env wine-exec wine-shell)
  configure_file(${KORVANE_HARNESS}/${tool}.in ${CMAKE_BINARY_DIR}/${tool} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

# add_test runs Windows programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-exec)

add_test(NAME wine_env_start COMMAND ${CMAKE_BINARY_DIR}/wine-env start)
add_test(NAME wine_env_stop COMMAND ${CMAKE_BINARY_DIR}/wine-env stop)
set_tests_properties(wine_env_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine_env_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

function(korvane_wine_properties name)
  cmake_parse_arguments(A "" "TIMEOUT" "" ${ARGN})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  # The harness kills a Windows program by its own pid a little before CTest
  # would (KORVANE_TIMEOUT); a test may set a shorter time in ENVIRONMENT.
  math(EXPR _inner "${A_TIMEOUT} - 20")
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${A_TIMEOUT} LABELS wine
                       ENVIRONMENT KORVANE_TIMEOUT=${_inner})
endfunction()

# A Windows test program run under Wine: korvane_wine_test(NAME n COMMAND target args... [TIMEOUT s])
function(korvane_wine_test)
  cmake_parse_arguments(A "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  add_test(NAME ${A_NAME} COMMAND ${A_COMMAND})
  korvane_wine_properties(${A_NAME} TIMEOUT ${A_TIMEOUT})
endfunction()

# A shell script run on the host with the Wine environment exported
# (WINEPREFIX, DISPLAY, WINEDEBUG, KORVANE_BIN = this build's directory):
# korvane_wine_script_test(NAME n SCRIPT path [ARGS ...] [TIMEOUT s])
function(korvane_wine_script_test)
  cmake_parse_arguments(A "" "NAME;SCRIPT;TIMEOUT" "ARGS" ${ARGN})
  add_test(NAME ${A_NAME} COMMAND ${CMAKE_BINARY_DIR}/wine-shell ${A_SCRIPT} ${A_ARGS})
  korvane_wine_properties(${A_NAME} TIMEOUT ${A_TIMEOUT})
endfunction()
