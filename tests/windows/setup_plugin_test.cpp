// The setups' own plug-in (its ANSI build), called as NSIS calls a plug-in: arguments pushed on
// NSIS's stack of texts, the result popped from it, against the real system, stores and
// registry. The package tests run its Unicode build inside the setups they install.
#include "cert_stores.h"
#include "provider_registry.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

struct StackItem {
    StackItem* next;
    char text[1];
};
typedef void(__cdecl* PluginFunction)(HWND, int, char*, StackItem**, void*);
constexpr int kStringSize = 1024;

class SetupPlugin {
  public:
    SetupPlugin() : module_(LoadLibraryA((TestBinDir() + "\\KeysteadSetup.dll").c_str())) {}
    ~SetupPlugin() {
        if (module_)
            FreeLibrary(module_);
    }
    bool loaded() const { return module_ != nullptr; }

    // Calls the function with these arguments, the first on top as NSIS pushes them; the text
    // it left, and whether it left exactly one.
    std::string Call(const char* function, std::vector<std::string> arguments,
                     bool* oneResult = nullptr) {
        StackItem* top = nullptr;
        for (auto it = arguments.rbegin(); it != arguments.rend(); ++it)
            Push(&top, *it);
        auto entry = reinterpret_cast<PluginFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, function)));
        if (!entry)
            return "<no such function>";
        char variables[kStringSize * 25] = {};
        entry(nullptr, kStringSize, variables, &top, nullptr);
        std::string result = top ? top->text : "<nothing>";
        int left = 0;
        while (top) {
            StackItem* next = top->next;
            GlobalFree(top);
            top = next;
            ++left;
        }
        if (oneResult)
            *oneResult = left == 1;
        return result;
    }

  private:
    static void Push(StackItem** top, const std::string& text) {
        auto* item = static_cast<StackItem*>(GlobalAlloc(GPTR, sizeof(StackItem) + kStringSize));
        lstrcpynA(item->text, text.c_str(), kStringSize);
        item->next = *top;
        *top = item;
    }
    HMODULE module_;
};

std::string Number(ULONG_PTR value) {
    return std::to_string(value);
}

} // namespace

TEST(SetupPlugin, MutexLanguageAndTheWaitForAProcess) {
    SetupPlugin plugin;
    ASSERT_TRUE(plugin.loaded());
    const std::string name = "Keystead Setup test " + Number(GetCurrentProcessId());
    bool one = false;
    EXPECT_EQ(plugin.Call("HoldSetupMutex", {name}, &one), "0");
    EXPECT_TRUE(one);
    EXPECT_EQ(plugin.Call("HoldSetupMutex", {name}), "183") << "a second setup is told";
    EXPECT_EQ(plugin.Call("SystemLanguage", {}), Number(GetSystemDefaultLangID()));

    // A window of a process that ends: its handle, then the wait sees the end.
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + TestBinDir() + "\\wine_warmup.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    WaitForInputIdle(pi.hProcess, 10000);
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i, Sleep(50)) {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pi.dwProcessId) {
                window = w;
                break;
            }
        }
    }
    ASSERT_NE(window, nullptr);
    const std::string handle = plugin.Call("OpenWindowProcess", {Number(ULONG_PTR(window))});
    EXPECT_NE(handle, "0");
    EXPECT_EQ(plugin.Call("WaitAndClose", {handle, "0"}), "0") << "still running";
    const std::string again = plugin.Call("OpenWindowProcess", {Number(ULONG_PTR(window))});
    TerminateProcess(pi.hProcess, 0);
    EXPECT_EQ(plugin.Call("WaitAndClose", {again, "10000"}), "1") << "ended";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(plugin.Call("OpenWindowProcess", {"0"}), "0");
}

TEST(SetupPlugin, RemovesOnlyTheProvidersCertificatesAndTheRecordedRoots) {
    SetupPlugin plugin;
    ASSERT_TRUE(plugin.loaded());
    const std::vector<std::string> certs = DebianCaCertificates();
    ASSERT_GE(certs.size(), 5u);
    EmptyStore("MY");
    ASSERT_TRUE(AddToStore("MY", certs[0], L"VELQ Cryptographic Service Provider v2.0.0"));
    ASSERT_TRUE(AddToStore("MY", certs[1], L"VELQ Cryptographic Service Provider v2.0.0"));
    ASSERT_TRUE(AddToStore("MY", certs[2], L"Microsoft Base Cryptographic Provider v1.0"));
    EXPECT_EQ(plugin.Call("RemoveProviderCertificates", {kVelqProvider}), "2");
    const auto mine = ReadStore("MY");
    EXPECT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine.count(certs[2]), 1u) << "another provider's certificate stays";

    const char key[] = "Software\\Keystead test\\AddedRoots";
    RemoveFromStore("ROOT", certs[3]);
    RemoveFromStore("ROOT", certs[4]);
    ASSERT_TRUE(AddToStore("ROOT", certs[3]));
    ASSERT_TRUE(AddToStore("ROOT", certs[4]));
    HKEY added = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &added,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(added, Thumbprint(certs[3]).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(added);
    EXPECT_EQ(plugin.Call("RemoveAddedRoots", {key}), "1");
    const auto roots = ReadStore("ROOT");
    EXPECT_EQ(roots.count(certs[3]), 0u) << "the recorded root goes";
    EXPECT_EQ(roots.count(certs[4]), 1u) << "a root nobody recorded stays";
    HKEY left = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &left), ERROR_SUCCESS);
    EXPECT_NE(
        RegQueryValueExA(left, Thumbprint(certs[3]).c_str(), nullptr, nullptr, nullptr, nullptr),
        ERROR_SUCCESS)
        << "its record goes with it";
    RegCloseKey(left);
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Keystead test");
    EXPECT_EQ(plugin.Call("RemoveAddedRoots", {key}), "0") << "no record, nothing removed";
    RemoveFromStore("ROOT", certs[4]);
    EmptyStore("MY");
}

// Which installation folder the setups take, and the folder the NT setup makes outside Program
// Files. Wine keeps no access list on a file (it maps one to mode bits and makes one up from
// those), so what the folder was given cannot be read back here; what can fail here is the
// lookup, the descriptor, the path and what is already there.
TEST(SetupPlugin, TellsAFoldersStateAndMakesOnlyAFolderThatIsNotThere) {
    SetupPlugin plugin;
    ASSERT_TRUE(plugin.loaded());
    const std::string base = MakeTempDir("folders");
    auto file = [](const std::string& path) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    };
    CreateDirectoryA((base + "\\empty").c_str(), nullptr);
    CreateDirectoryA((base + "\\earlier").c_str(), nullptr);
    file(base + "\\earlier\\KEYSTEAD.EXE");
    file(base + "\\earlier\\uninstall.exe");
    CreateDirectoryA((base + "\\planted").c_str(), nullptr);
    file(base + "\\planted\\Keystead.exe");
    file(base + "\\planted\\version.dll");
    CreateDirectoryA((base + "\\nested").c_str(), nullptr);
    CreateDirectoryA((base + "\\nested\\uninstall.exe").c_str(), nullptr);
    file(base + "\\a file");
    const struct {
        const char* path;
        const char* state;
    } rows[] = {
        {"\\missing", "absent"},   {"\\missing\\below", "absent"}, {"\\empty", "empty"},
        {"\\earlier", "keystead"}, {"\\planted", "foreign"},       {"\\nested", "foreign"},
        {"\\a file", "foreign"},
    };
    for (const auto& row : rows) {
        bool one = false;
        EXPECT_EQ(plugin.Call("FolderState", {base + row.path}, &one), row.state) << row.path;
        EXPECT_TRUE(one);
    }

    const char sddl[] =
        "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)";
    const std::string made = base + "\\made\\two\\Keystead";
    EXPECT_EQ(plugin.Call("CreateSecureFolder", {made, sddl}), "1");
    EXPECT_EQ(plugin.Call("FolderState", {made}), "empty");
    EXPECT_EQ(plugin.Call("CreateSecureFolder", {made, sddl}), "0") << "not made: it was there";
    EXPECT_EQ(plugin.Call("CreateSecureFolder", {base + "\\empty", sddl}), "0");
    // Nothing is made, not even a folder above, when the descriptor cannot be read or a part of
    // the path cannot be a folder.
    EXPECT_EQ(plugin.Call("CreateSecureFolder", {base + "\\bad\\Keystead", "not a descriptor"}),
              "0");
    EXPECT_EQ(plugin.Call("CreateSecureFolder", {base + "\\bad\\Keystead", ""}), "0");
    EXPECT_EQ(plugin.Call("FolderState", {base + "\\bad"}), "absent");
    const std::string tooLong(300, 'x'); // no file system takes such a name
    EXPECT_EQ(plugin.Call("CreateSecureFolder", {base + "\\up\\" + tooLong, sddl}), "0");
    EXPECT_EQ(plugin.Call("FolderState", {base + "\\up"}), "absent");
    RemoveTree(base);
}
