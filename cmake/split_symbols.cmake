# keystead_split_symbols(target): the file that ships carries no symbols; they go to
# symbols/<the file's path under the output folder>.debug in the build tree, tied to it by
# .gnu_debuglink and the build id the linker writes (CodeView record), so support can turn a crash
# address into a line with addr2line (README). scripts/package keeps them beside the package.
set(KEYSTEAD_SYMBOLS_DIR ${CMAKE_BINARY_DIR}/symbols)
find_program(KEYSTEAD_OBJCOPY ${KEYSTEAD_MINGW_TRIPLE}-objcopy REQUIRED)
function(keystead_split_symbols target subdir)
    set(debug ${KEYSTEAD_SYMBOLS_DIR}/${subdir}$<TARGET_FILE_NAME:${target}>.debug)
    target_link_options(${target} PRIVATE -Wl,--build-id)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KEYSTEAD_SYMBOLS_DIR}/${subdir}
        COMMAND ${KEYSTEAD_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
        COMMAND ${KEYSTEAD_OBJCOPY} --strip-all --add-gnu-debuglink=${debug}
            $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()
