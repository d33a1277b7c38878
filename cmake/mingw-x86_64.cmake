# The same programs for 64-bit Windows, win32 thread model like the shipped ones: what the tests
# run on machines whose kernel runs 64-bit code only.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KEYSTEAD_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
