# What every MinGW-w64 cross build shares; the toolchain file names the processor and the thread
# model first. The shipped programs use the win32 thread model: its runtime asks nothing of
# Windows beyond what 95 and NT 4.0 have, where the posix model's winpthreads imports functions
# of XP and Vista. GoogleTest and the simulator need std::mutex and std::thread, which GCC 12
# has only in the posix model, so the test trees use that one.
set(KEYSTEAD_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KEYSTEAD_MINGW_TRIPLE}-gcc-${KEYSTEAD_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${KEYSTEAD_MINGW_TRIPLE}-g++-${KEYSTEAD_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${KEYSTEAD_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${KEYSTEAD_MINGW_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${KEYSTEAD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
