# The tests, the simulator and the benchmarks for 64-bit Windows, posix thread model.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KEYSTEAD_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
