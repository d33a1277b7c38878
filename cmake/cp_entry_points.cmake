# The provider entry points as name:ordinal:arguments, for the .def files of ZQ_CSP.dll, its
# import library of the vendor library, and the simulator. Ordinal 10 is not among them.
set(KEYSTEAD_CP_ENTRY_POINTS
    CPAcquireContext:1:4 CPReleaseContext:2:2 CPGenKey:3:4 CPDeriveKey:4:5 CPDestroyKey:5:2
    CPSetKeyParam:6:5 CPGetKeyParam:7:6 CPExportKey:8:7 CPImportKey:9:6 CPEncrypt:11:8
    CPDecrypt:12:7 CPCreateHash:13:5 CPHashData:14:5 CPHashSessionKey:15:4 CPDestroyHash:16:2
    CPSignHash:17:7 CPVerifySignature:18:7 CPGenRandom:19:3 CPGetUserKey:20:3
    CPSetProvParam:21:4 CPGetProvParam:22:5 CPSetHashParam:23:5 CPGetHashParam:24:6
    CPDuplicateHash:25:5 CPDuplicateKey:26:5)

# keystead_cp_def_lines(out prefix noname skip_ordinal): one EXPORTS line per entry point. With a
# prefix the lines declare imports (<prefix><name>@<bytes> @<ordinal>), otherwise exports by
# name of the stdcall functions; skip_ordinal leaves one out. 64-bit symbols carry no @<bytes>.
function(keystead_cp_def_lines out prefix noname skip_ordinal)
    set(text "")
    foreach(entry IN LISTS KEYSTEAD_CP_ENTRY_POINTS)
        string(REPLACE ":" ";" parts ${entry})
        list(GET parts 0 name)
        list(GET parts 1 ordinal)
        list(GET parts 2 arguments)
        if(ordinal STREQUAL skip_ordinal)
            continue()
        endif()
        set(symbol ${name})
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            math(EXPR bytes "${arguments} * 4")
            set(symbol ${name}@${bytes})
        endif()
        if(prefix)
            string(APPEND text "    ${prefix}${symbol} @${ordinal}")
        else()
            string(APPEND text "    ${name}=${symbol} @${ordinal}")
        endif()
        if(noname)
            string(APPEND text " NONAME")
        endif()
        string(APPEND text "\n")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# keystead_write_if_changed(path text): rewritten only when it changes, so nothing relinks at
# every configure.
function(keystead_write_if_changed path text)
    file(WRITE ${path}.new "${text}")
    configure_file(${path}.new ${path} COPYONLY)
endfunction()
