// A CryptoAPI client in a process of its own, for providers that may take the process down:
// provider_client PROVIDER DLL_DIRECTORY. Exit 0 when a context was acquired and a hash made
// and fed, 1 when the acquire failed, 2 when hashing failed, 3 when the process hit an entry
// point the loader could not bind.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

namespace {

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info) {
    // Wine binds a missing import to a stub that raises this when called.
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    std::printf("exception %08lx\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    ExitProcess(code == 0x80000100 ? 3 : 4);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 64;
    SetUnhandledExceptionFilter(OnUnhandled);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetDllDirectoryA(argv[2]);
    HCRYPTPROV prov = 0;
    if (!CryptAcquireContextA(&prov, nullptr, argv[1], PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        std::printf("acquire %08lx\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    HCRYPTHASH hash = 0;
    const BYTE data[64] = {};
    const bool hashed =
        CryptCreateHash(prov, CALG_SHA1, 0, 0, &hash) && CryptHashData(hash, data, sizeof data, 0);
    if (hash)
        CryptDestroyHash(hash);
    CryptReleaseContext(prov, 0);
    return hashed ? 0 : 2;
}
