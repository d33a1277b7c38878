# The tests, the simulator and the benchmarks for 32-bit Windows, posix thread model.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KEYSTEAD_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
