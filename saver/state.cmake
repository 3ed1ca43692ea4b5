# The state shared by the saver's threads; portable, so it builds everywhere.
add_library(korvane_saverstate STATIC ${CMAKE_CURRENT_LIST_DIR}/SaverState.cpp)
target_include_directories(korvane_saverstate PUBLIC ${CMAKE_CURRENT_LIST_DIR})
korvane_warnings(korvane_saverstate)
