# keystead_without_runtime(target entry argument_bytes): the target links no C runtime and no
# start-up code and begins at the WINAPI function entry, which takes argument_bytes of
# arguments. Such a file depends on nothing a bare Windows 95 lacks.
function(keystead_without_runtime target entry argument_bytes)
    target_compile_options(${target} PRIVATE -ffreestanding -fno-exceptions -fno-rtti
        -fno-asynchronous-unwind-tables -fno-stack-protector -fno-builtin)
    set(symbol ${entry})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(symbol _${entry}@${argument_bytes}) # the 32-bit stdcall decoration
    endif()
    target_link_options(${target} PRIVATE -nostdlib -nostartfiles -Wl,-e,${symbol})
endfunction()
