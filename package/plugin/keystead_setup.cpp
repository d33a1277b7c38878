/* The setups' calls into the system, as an NSIS plug-in of their own, built for each character
 * set: ANSI for the 9x setup, Unicode (UNICODE defined) for the NT setup. NSIS's System plug-in
 * has a static TLS directory, which Windows 95 refuses in a library loaded at run time, so every
 * call through it failed silently there, and it is built for a Pentium Pro, which 2000 and XP do
 * not need. This one needs no C runtime and, in its ANSI build, only what Windows 95 has;
 * CryptoAPI, which 95 has only with Internet Explorer 4, and the NT security functions are
 * looked up when a function that needs them runs.
 *
 * Every function takes its arguments from the NSIS stack (the first argument on top) and leaves
 * one result there, in the setup's character set. */
#include <windows.h>
#include <accctrl.h>
#include <sddl.h>
#include <wincrypt.h>

typedef struct stack_item {
    struct stack_item* next;
    TCHAR text[1];
} stack_item;

typedef struct {
    stack_item** top;
    unsigned size; /* NSIS's string size: every text on the stack fits in it */
} nsis_stack;

static int Pop(nsis_stack* stack, TCHAR* text) {
    stack_item* item = stack->top ? *stack->top : NULL;
    if (!item) {
        text[0] = '\0';
        return 0;
    }
    lstrcpyn(text, item->text, (int)stack->size);
    *stack->top = item->next;
    GlobalFree(item);
    return 1;
}

static void Push(nsis_stack* stack, const TCHAR* text) {
    stack_item* item;
    if (!stack->top)
        return;
    item = (stack_item*)GlobalAlloc(GPTR, sizeof(stack_item) + stack->size * sizeof(TCHAR));
    if (!item)
        return;
    lstrcpyn(item->text, text, (int)stack->size);
    item->next = *stack->top;
    *stack->top = item;
}

/* NSIS keeps numbers and handles as decimal text. */
static ULONG_PTR PopNumber(nsis_stack* stack, TCHAR* buffer) {
    ULONG_PTR value = 0;
    const TCHAR* at = buffer;
    Pop(stack, buffer);
    while (*at >= '0' && *at <= '9')
        value = value * 10 + (ULONG_PTR)(*at++ - '0');
    return value;
}

static void PushNumber(nsis_stack* stack, ULONG_PTR value) {
    TCHAR digits[24];
    int at = sizeof digits / sizeof digits[0] - 1;
    digits[at] = '\0';
    do {
        digits[--at] = (TCHAR)('0' + value % 10);
        value /= 10;
    } while (value != 0 && at > 0);
    Push(stack, digits + at);
}

/* The buffer every function pops into: NSIS's string size, allocated per call. */
#define NSIS_FUNCTION(name)                                                                        \
    static void name##_body(nsis_stack* stack, TCHAR* buffer);                                     \
    extern "C" __declspec(dllexport) void __cdecl name(HWND parent, int size, TCHAR* variables,    \
                                                       stack_item** top, void* extra) {            \
        nsis_stack stack;                                                                          \
        TCHAR* buffer;                                                                             \
        (void)parent;                                                                              \
        (void)variables;                                                                           \
        (void)extra;                                                                               \
        stack.top = top;                                                                           \
        stack.size = size > 0 ? (unsigned)size : 1024u;                                            \
        buffer = (TCHAR*)GlobalAlloc(GPTR, (stack.size + 1) * sizeof(TCHAR));                      \
        if (buffer) {                                                                              \
            name##_body(&stack, buffer);                                                           \
            GlobalFree(buffer);                                                                    \
        }                                                                                          \
    }                                                                                              \
    static void name##_body(nsis_stack* stack, TCHAR* buffer)

/* HoldSetupMutex NAME: makes the named mutex and keeps it for the life of the setup; leaves the
 * system's error (183 when another setup holds it). */
NSIS_FUNCTION(HoldSetupMutex) {
    Pop(stack, buffer);
    SetLastError(0);
    CreateMutex(NULL, FALSE, buffer);
    PushNumber(stack, GetLastError());
}

/* SystemLanguage: the system's default language. */
NSIS_FUNCTION(SystemLanguage) {
    (void)buffer;
    PushNumber(stack, GetSystemDefaultLangID());
}

/* OpenWindowProcess HWND: a handle to wait on the window's process, or 0. */
NSIS_FUNCTION(OpenWindowProcess) {
    DWORD process = 0;
    HWND window = (HWND)PopNumber(stack, buffer);
    HANDLE handle = NULL;
    if (window && GetWindowThreadProcessId(window, &process) && process)
        handle = OpenProcess(SYNCHRONIZE, FALSE, process);
    PushNumber(stack, (ULONG_PTR)handle);
}

/* WaitAndClose HANDLE MS: waits up to MS for the process to end, then closes the handle; leaves
 * 1 when it ended. */
NSIS_FUNCTION(WaitAndClose) {
    HANDLE handle = (HANDLE)PopNumber(stack, buffer);
    DWORD ms = (DWORD)PopNumber(stack, buffer);
    DWORD waited = WAIT_FAILED;
    if (handle) {
        waited = WaitForSingleObject(handle, ms);
        CloseHandle(handle);
    }
    PushNumber(stack, waited == WAIT_OBJECT_0 ? 1 : 0);
}

/* The few CryptoAPI functions the uninstaller needs, looked up in crypt32.dll. */
typedef struct {
    HMODULE module;
    HCERTSTORE(WINAPI* open)(LPCSTR, DWORD, HCRYPTPROV_LEGACY, DWORD, const void*);
    HCERTSTORE(WINAPI* openSystem)(HCRYPTPROV_LEGACY, LPCSTR);
    PCCERT_CONTEXT(WINAPI* next)(HCERTSTORE, PCCERT_CONTEXT);
    BOOL(WINAPI* property)(PCCERT_CONTEXT, DWORD, void*, DWORD*);
    BOOL(WINAPI* remove)(PCCERT_CONTEXT);
    BOOL(WINAPI* close)(HCERTSTORE, DWORD);
} crypto;

static FARPROC Find(HMODULE module, const char* name) {
    return module ? GetProcAddress(module, name) : NULL;
}

template <typename Entry> static void Bind(HMODULE module, const char* name, Entry* entry) {
    *entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(Find(module, name)));
}

static int LoadCrypto(crypto* c) {
    c->module = LoadLibraryA("crypt32.dll");
    Bind(c->module, "CertOpenStore", &c->open);
    Bind(c->module, "CertOpenSystemStoreA", &c->openSystem);
    Bind(c->module, "CertEnumCertificatesInStore", &c->next);
    Bind(c->module, "CertGetCertificateContextProperty", &c->property);
    Bind(c->module, "CertDeleteCertificateFromStore", &c->remove);
    Bind(c->module, "CertCloseStore", &c->close);
    return c->open && c->openSystem && c->next && c->property && c->remove && c->close;
}

/* The user's own registry store of that name: Keystead registers there, and a deletion made
 * there lasts on every system. */
static HCERTSTORE UserRegistryStore(crypto* c, const char* name) {
    return c->open(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
}

typedef int (*certificate_test)(crypto* c, PCCERT_CONTEXT cert, const void* data);

/* Deletes from the store (then closes it) every certificate the test accepts; the count.
 * Each pass looks from the start, since an enumeration need not go on past a certificate
 * deleted under it; the passes are bounded, since a deletion need not show at once. */
static ULONG_PTR RemoveFrom(crypto* c, HCERTSTORE store, certificate_test test, const void* data) {
    ULONG_PTR removed = 0;
    int pass;
    if (!store)
        return 0;
    for (pass = 0; pass < 1000; ++pass) {
        PCCERT_CONTEXT cert = NULL;
        while ((cert = c->next(store, cert)) != NULL && !test(c, cert, data)) {
        }
        if (!cert || !c->remove(cert)) /* the deletion frees the context */
            break;
        ++removed;
    }
    c->close(store, 0);
    return removed;
}

/* Whether the certificate's key provider information names that provider (wide text). */
static int NamesProvider(crypto* c, PCCERT_CONTEXT cert, const void* data) {
    const WCHAR* wanted = (const WCHAR*)data;
    BYTE buffer[1024];
    DWORD size = sizeof buffer;
    const CRYPT_KEY_PROV_INFO* info = (const CRYPT_KEY_PROV_INFO*)buffer;
    const WCHAR* name;
    int i;
    if (!c->property(cert, CERT_KEY_PROV_INFO_PROP_ID, buffer, &size) ||
        size < sizeof(CRYPT_KEY_PROV_INFO) || !info->pwszProvName)
        return 0;
    name = info->pwszProvName;
    /* Compared by hand: lstrcmpW is a stub on the 9x family. */
    for (i = 0; name[i] == wanted[i]; ++i)
        if (wanted[i] == 0)
            return 1;
    return 0;
}

/* RemoveProviderCertificates NAME: removes from the user's "MY" every certificate whose key
 * provider information names that provider, the user's registry store first; leaves the count,
 * or -1 without CryptoAPI. */
NSIS_FUNCTION(RemoveProviderCertificates) {
    crypto c;
    WCHAR wanted[256];
    ULONG_PTR removed;
    Pop(stack, buffer);
#ifdef UNICODE
    int converted = lstrlenW(buffer) < 256;
    if (converted)
        lstrcpynW(wanted, buffer, 256);
#else
    int converted = MultiByteToWideChar(CP_ACP, 0, buffer, -1, wanted, 256);
#endif
    if (!LoadCrypto(&c) || !converted) {
        if (c.module)
            FreeLibrary(c.module);
        Push(stack, TEXT("-1"));
        return;
    }
    removed = RemoveFrom(&c, UserRegistryStore(&c, "MY"), NamesProvider, wanted);
    removed += RemoveFrom(&c, c.openSystem(0, "MY"), NamesProvider, wanted);
    FreeLibrary(c.module);
    PushNumber(stack, removed);
}

/* Whether the certificate's SHA-1 thumbprint (upper-case hexadecimal) is a value of the key;
 * that value goes with it. */
static int RecordedAsAdded(crypto* c, PCCERT_CONTEXT cert, const void* data) {
    HKEY key = *(const HKEY*)data;
    BYTE hash[20];
    DWORD size = sizeof hash;
    char name[41];
    static const char hex[] = "0123456789ABCDEF";
    int i;
    if (!c->property(cert, CERT_SHA1_HASH_PROP_ID, hash, &size) || size != sizeof hash)
        return 0;
    for (i = 0; i < 20; ++i) {
        name[2 * i] = hex[hash[i] >> 4];
        name[2 * i + 1] = hex[hash[i] & 15];
    }
    name[40] = '\0';
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        return 0;
    RegDeleteValueA(key, name);
    return 1;
}

/* RemoveAddedRoots KEY: removes from the user's "ROOT" the roots whose thumbprints are values
 * under HKEY_CURRENT_USER\KEY, and those values; leaves the count, or -1 without CryptoAPI. */
NSIS_FUNCTION(RemoveAddedRoots) {
    crypto c;
    HKEY key = NULL;
    ULONG_PTR removed = 0;
    Pop(stack, buffer);
    if (RegOpenKeyEx(HKEY_CURRENT_USER, buffer, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
        Push(stack, TEXT("0")); /* Keystead added none */
        return;
    }
    if (!LoadCrypto(&c)) {
        if (c.module)
            FreeLibrary(c.module);
        RegCloseKey(key);
        Push(stack, TEXT("-1"));
        return;
    }
    removed = RemoveFrom(&c, UserRegistryStore(&c, "ROOT"), RecordedAsAdded, &key);
    FreeLibrary(c.module);
    RegCloseKey(key);
    PushNumber(stack, removed);
}

/* SecureFolder PATH SDDL: gives the folder the permissions the SDDL text names, protected from
 * what its parent would pass on; leaves 1 when they are set. The functions are the NT family's
 * from 2000 on, looked up: without them it leaves 0. */
NSIS_FUNCTION(SecureFolder) {
    typedef BOOL(WINAPI * from_text)(const TCHAR*, DWORD, PSECURITY_DESCRIPTOR*, ULONG*);
    typedef BOOL(WINAPI * dacl_of)(PSECURITY_DESCRIPTOR, BOOL*, PACL*, BOOL*);
    typedef DWORD(WINAPI * set_named)(TCHAR*, DWORD, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
#ifdef UNICODE
#define SECURITY_SUFFIX "W"
#else
#define SECURITY_SUFFIX "A"
#endif
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    from_text fromText;
    dacl_of daclOf;
    set_named setNamed;
    TCHAR* sddl = (TCHAR*)GlobalAlloc(GPTR, (stack->size + 1) * sizeof(TCHAR));
    PSECURITY_DESCRIPTOR descriptor = NULL;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = NULL;
    int set = 0;
    Bind(advapi, "ConvertStringSecurityDescriptorToSecurityDescriptor" SECURITY_SUFFIX, &fromText);
    Bind(advapi, "GetSecurityDescriptorDacl", &daclOf);
    Bind(advapi, "SetNamedSecurityInfo" SECURITY_SUFFIX, &setNamed);
    Pop(stack, buffer);
    if (sddl && Pop(stack, sddl) && fromText && daclOf && setNamed &&
        fromText(sddl, SDDL_REVISION_1, &descriptor, NULL)) {
        set = daclOf(descriptor, &present, &dacl, &defaulted) && present &&
              setNamed(buffer, SE_FILE_OBJECT,
                       DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL, NULL,
                       dacl, NULL) == ERROR_SUCCESS;
        LocalFree(descriptor);
    }
    if (sddl)
        GlobalFree(sddl);
    PushNumber(stack, (ULONG_PTR)set);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
