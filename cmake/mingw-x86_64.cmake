# Cross build for 64-bit Windows with MinGW-w64. The shipped programs are the 32-bit ones; this
# tree builds the same sources for machines whose kernel runs 64-bit code only, so that Wine's
# 64-bit half can still run every Windows test there.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
