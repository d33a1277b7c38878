# The runtime's start-up objects for the shipped 32-bit programs, built for a Pentium from the
# sources of the very runtime version the compilers link against (third_party/mingw-w64-crt-*).
# The packaged crt2.o and the pseudo-relocation and image-section objects of libmingw32.a are
# built for a Pentium Pro: each holds a CMOV, which the Pentium (P5) that 95 to XP run on lacks.
# Built with the runtime's own flags; only the processor differs.
set(KEYSTEAD_STARTUP_VERSION 10.0.0)
set(KEYSTEAD_STARTUP_SOURCES ${CMAKE_SOURCE_DIR}/third_party/mingw-w64-crt-${KEYSTEAD_STARTUP_VERSION})
execute_process(COMMAND ${CMAKE_C_COMPILER} -dM -E -include _mingw.h -x c /dev/null
    OUTPUT_VARIABLE mingw_macros)
string(REGEX MATCH "__MINGW64_VERSION_MAJOR ([0-9]+)" ignored "${mingw_macros}")
set(runtime_version ${CMAKE_MATCH_1})
string(REGEX MATCH "__MINGW64_VERSION_MINOR ([0-9]+)" ignored "${mingw_macros}")
string(APPEND runtime_version .${CMAKE_MATCH_1})
string(REGEX MATCH "__MINGW64_VERSION_BUGFIX ([0-9]+)" ignored "${mingw_macros}")
string(APPEND runtime_version .${CMAKE_MATCH_1})
if(NOT runtime_version STREQUAL KEYSTEAD_STARTUP_VERSION)
    message(FATAL_ERROR "the compilers link mingw-w64 ${runtime_version}; the start-up sources "
        "in third_party are of ${KEYSTEAD_STARTUP_VERSION}")
endif()
set(KEYSTEAD_STARTUP_DIR ${CMAKE_BINARY_DIR}/startup)
set(startup_flags -O2 -pipe -std=gnu99 -march=pentium -D_CRTBLD -D_WIN32_WINNT=0x0f00
    -D__MSVCRT_VERSION__=0x700 -D__USE_MINGW_ANSI_STDIO=0 -D_SYSCRT=1 -DCRTDLL=1
    -I${KEYSTEAD_STARTUP_SOURCES}/include)
set(KEYSTEAD_STARTUP_OBJECTS "")
foreach(pair crtexe:crt2 pseudo-reloc:pseudo-reloc pesect:pesect)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 source)
    list(GET pair 1 object)
    add_custom_command(OUTPUT ${KEYSTEAD_STARTUP_DIR}/${object}.o
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KEYSTEAD_STARTUP_DIR}
        COMMAND ${CMAKE_C_COMPILER} ${startup_flags} -c
            ${KEYSTEAD_STARTUP_SOURCES}/crt/${source}.c -o ${KEYSTEAD_STARTUP_DIR}/${object}.o
        DEPENDS ${KEYSTEAD_STARTUP_SOURCES}/crt/${source}.c VERBATIM)
    list(APPEND KEYSTEAD_STARTUP_OBJECTS ${KEYSTEAD_STARTUP_DIR}/${object}.o)
endforeach()
add_custom_target(keystead_startup DEPENDS ${KEYSTEAD_STARTUP_OBJECTS})

# keystead_startup_for(target): crt2.o found first in the startup folder (-B), the other two
# linked before libmingw32.a, so the packaged ones are never taken.
function(keystead_startup_for target)
    add_dependencies(${target} keystead_startup)
    target_link_options(${target} PRIVATE -B${KEYSTEAD_STARTUP_DIR}/)
    target_link_libraries(${target} PRIVATE ${KEYSTEAD_STARTUP_DIR}/pseudo-reloc.o
        ${KEYSTEAD_STARTUP_DIR}/pesect.o)
endfunction()
