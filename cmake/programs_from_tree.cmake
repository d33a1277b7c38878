# A test tree's copies of the programs it drives, taken from the programs tree. Each target
# keeps the program's own name, so tests depend on "Keystead" or "ZQ_CSP" as on a build of it.
# The copies are refreshed on every build: scripts/build builds the programs tree first.
function(keystead_program_copy target file)
    add_custom_target(${target} ALL
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KEYSTEAD_PROGRAMS_DIR}/${file}
            ${KEYSTEAD_BIN_DIR}/${file}
        BYPRODUCTS ${KEYSTEAD_BIN_DIR}/${file}
        VERBATIM)
endfunction()

keystead_program_copy(Keystead Keystead.exe)
keystead_program_copy(Keystead_zh_CN zh-CN/Keystead.exe)
keystead_program_copy(Kestrun Kestrun.exe)
keystead_program_copy(ZQ_CSP ZQ_CSP.dll)
# The Chinese program finds the token library beside it, as an installed one would.
add_custom_command(TARGET Keystead_zh_CN POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ZQCSP> ${KEYSTEAD_BIN_DIR}/zh-CN/)
add_dependencies(Keystead_zh_CN ZQCSP)
set(KEYSTEAD_PROVIDER_FILE ${KEYSTEAD_BIN_DIR}/ZQ_CSP.dll)
