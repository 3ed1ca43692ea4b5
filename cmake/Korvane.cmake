# Project-wide compile settings and helpers.

# Warnings are errors in the project's own code.
function(korvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Win32 programs and libraries carry no MinGW runtime DLL.
function(korvane_win32_static target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

if(KORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest: the system's library natively; for Windows targets it is built
# from the packaged sources with the cross compiler.
if(WIN32)
  if(NOT TARGET gtest)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_gtest EXCLUDE_FROM_ALL)
  endif()
  set(KORVANE_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(KORVANE_GTEST_MAIN GTest::gtest_main)
endif()

# A GoogleTest program with its tests registered one CTest test per program.
function(korvane_gtest name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  korvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${A_LIBS} ${KORVANE_GTEST_MAIN})
  if(WIN32)
    korvane_win32_static(${name})
  endif()
endfunction()
