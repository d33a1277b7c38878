# The programs that ship: 32-bit Windows, win32 thread model.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KEYSTEAD_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
