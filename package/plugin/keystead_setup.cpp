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

/* By its system-folder path: a setup runs from a downloads folder, where anyone may have left a
 * crypt32.dll of their own. */
static HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    int i;
    if (length == 0 || length >= MAX_PATH)
        return NULL;
    if (path[length - 1] != '\\')
        path[length++] = '\\';
    for (i = 0; name[i] && length < sizeof path - 1; ++i)
        path[length++] = name[i];
    path[length] = '\0';
    return LoadLibraryA(path);
}

static int LoadCrypto(crypto* c) {
    c->module = LoadSystemLibrary("crypt32.dll");
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

typedef int (*certificate_test)(crypto* c, PCCERT_CONTEXT cert, void* data);
typedef void (*after_removal)(void* data);

/* Deletes from the store (then closes it) every certificate the test accepts, calling removed
 * (when given) after each deletion that succeeded; the count. Each pass looks from the start,
 * since an enumeration need not go on past a certificate deleted under it; the passes are
 * bounded, since a deletion need not show at once. */
static ULONG_PTR RemoveFrom(crypto* c, HCERTSTORE store, certificate_test test, void* data,
                            after_removal removed) {
    ULONG_PTR count = 0;
    int pass;
    if (!store)
        return 0;
    for (pass = 0; pass < 1000; ++pass) {
        PCCERT_CONTEXT cert = NULL;
        while ((cert = c->next(store, cert)) != NULL && !test(c, cert, data)) {
        }
        if (!cert || !c->remove(cert)) /* the deletion frees the context */
            break;
        if (removed)
            removed(data);
        ++count;
    }
    c->close(store, 0);
    return count;
}

/* Whether the certificate's key provider information names that provider (wide text). */
static int NamesProvider(crypto* c, PCCERT_CONTEXT cert, void* data) {
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
    removed = RemoveFrom(&c, UserRegistryStore(&c, "MY"), NamesProvider, wanted, NULL);
    removed += RemoveFrom(&c, c.openSystem(0, "MY"), NamesProvider, wanted, NULL);
    FreeLibrary(c.module);
    PushNumber(stack, removed);
}

/* A root Keystead recorded as added: the record's key, and the name of the value that records
 * the certificate the test last accepted. */
typedef struct {
    HKEY key;
    char name[41];
} added_root;

/* Whether the certificate's SHA-1 thumbprint (upper-case hexadecimal) is a value of the key. */
static int RecordedAsAdded(crypto* c, PCCERT_CONTEXT cert, void* data) {
    added_root* root = (added_root*)data;
    BYTE hash[20];
    DWORD size = sizeof hash;
    static const char hex[] = "0123456789ABCDEF";
    int i;
    if (!c->property(cert, CERT_SHA1_HASH_PROP_ID, hash, &size) || size != sizeof hash)
        return 0;
    for (i = 0; i < 20; ++i) {
        root->name[2 * i] = hex[hash[i] >> 4];
        root->name[2 * i + 1] = hex[hash[i] & 15];
    }
    root->name[40] = '\0';
    return RegQueryValueExA(root->key, root->name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
}

/* The record goes only once its root has: a root that stays stays recorded. */
static void ForgetAddedRoot(void* data) {
    added_root* root = (added_root*)data;
    RegDeleteValueA(root->key, root->name);
}

/* RemoveAddedRoots KEY: removes from the user's "ROOT" the roots whose thumbprints are values
 * under HKEY_CURRENT_USER\KEY, and those values; leaves the count, or -1 without CryptoAPI. */
NSIS_FUNCTION(RemoveAddedRoots) {
    crypto c;
    added_root root;
    ULONG_PTR removed = 0;
    Pop(stack, buffer);
    if (RegOpenKeyEx(HKEY_CURRENT_USER, buffer, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &root.key) !=
        ERROR_SUCCESS) {
        Push(stack, TEXT("0")); /* Keystead added none */
        return;
    }
    if (!LoadCrypto(&c)) {
        if (c.module)
            FreeLibrary(c.module);
        RegCloseKey(root.key);
        Push(stack, TEXT("-1"));
        return;
    }
    removed =
        RemoveFrom(&c, UserRegistryStore(&c, "ROOT"), RecordedAsAdded, &root, ForgetAddedRoot);
    FreeLibrary(c.module);
    RegCloseKey(root.key);
    PushNumber(stack, removed);
}

/* FolderState PATH: "absent", "empty", "keystead" when it holds nothing but what a Keystead
 * installation puts there (Keystead.exe, uninstall.exe), "foreign" for anything else: a file,
 * or a folder that holds what someone else put there and may have planted. */
NSIS_FUNCTION(FolderState) {
    static const TCHAR* const kOurs[] = {TEXT("Keystead.exe"), TEXT("uninstall.exe")};
    WIN32_FIND_DATA entry;
    HANDLE search;
    DWORD attributes;
    int length, i, ours = 0, foreign = 0;
    Pop(stack, buffer);
    attributes = GetFileAttributes(buffer);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Push(stack, GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND
                        ? TEXT("absent")
                        : TEXT("foreign"));
        return;
    }
    length = lstrlen(buffer);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || length + 3 > (int)stack->size) {
        Push(stack, TEXT("foreign"));
        return;
    }
    if (length > 0 && buffer[length - 1] != '\\')
        buffer[length++] = '\\';
    buffer[length++] = '*';
    buffer[length] = '\0';
    search = FindFirstFile(buffer, &entry);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFile(search, &entry)) {
        int known = 0;
        if (!lstrcmp(entry.cFileName, TEXT(".")) || !lstrcmp(entry.cFileName, TEXT("..")))
            continue;
        for (i = 0; i < 2; ++i)
            known |= !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                     !lstrcmpi(entry.cFileName, kOurs[i]);
        ours += known;
        foreign += !known;
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    Push(stack, foreign ? TEXT("foreign") : ours ? TEXT("keystead") : TEXT("empty"));
}

/* CreateSecureFolder PATH SDDL: makes the folder, and each missing folder above it, with the
 * security descriptor the SDDL text names (owner and protected access list in the one call that
 * creates it, so there is no moment in which anyone else may write there); leaves 1 when the
 * folder was made so, 0 otherwise, also when it was there already: a folder this setup did not
 * make keeps its permissions. The functions are the NT family's from 2000 on, looked up. */
NSIS_FUNCTION(CreateSecureFolder) {
    typedef BOOL(WINAPI * from_text)(const TCHAR*, DWORD, PSECURITY_DESCRIPTOR*, ULONG*);
#ifdef UNICODE
    const char* name = "ConvertStringSecurityDescriptorToSecurityDescriptorW";
#else
    const char* name = "ConvertStringSecurityDescriptorToSecurityDescriptorA";
#endif
    from_text fromText;
    TCHAR* sddl = (TCHAR*)GlobalAlloc(GPTR, (stack->size + 1) * sizeof(TCHAR));
    SECURITY_ATTRIBUTES attributes;
    int made = 0;
    Bind(GetModuleHandleA("advapi32.dll"), name, &fromText);
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = NULL;
    attributes.bInheritHandle = FALSE;
    Pop(stack, buffer);
    if (sddl && Pop(stack, sddl) && sddl[0] && fromText && buffer[0] &&
        GetFileAttributes(buffer) == INVALID_FILE_ATTRIBUTES &&
        fromText(sddl, SDDL_REVISION_1, &attributes.lpSecurityDescriptor, NULL)) {
        /* Down the path: each folder that is missing is made, from the first one below a root
         * ("C:\", "\\server\share\"). */
        TCHAR* at = buffer;
        TCHAR* created[64]; /* where each folder this call made ends in the path */
        int count = 0;
        DWORD found;
        made = 1;
        if (at[0] == '\\' && at[1] == '\\') {
            int separators = 0;
            for (at += 2; *at && separators < 2; ++at)
                separators += *at == '\\';
        } else if (at[0] && at[1] == ':') {
            at += 2;
        }
        while (made && *at) {
            TCHAR kept;
            while (*at == '\\')
                ++at;
            while (*at && *at != '\\')
                ++at;
            kept = *at;
            *at = '\0';
            if (GetFileAttributes(buffer) == INVALID_FILE_ATTRIBUTES) {
                made = count < 64 && CreateDirectory(buffer, &attributes) != 0;
                if (made)
                    created[count++] = at;
            }
            *at = kept;
        }
        found = GetFileAttributes(buffer);
        made = made && found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY);
        /* Nothing stays behind of a path that could not be made whole. */
        while (!made && count > 0) {
            TCHAR* end = created[--count];
            TCHAR kept = *end;
            *end = '\0';
            RemoveDirectory(buffer);
            *end = kept;
        }
        LocalFree(attributes.lpSecurityDescriptor);
    }
    if (sddl)
        GlobalFree(sddl);
    PushNumber(stack, (ULONG_PTR)made);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
