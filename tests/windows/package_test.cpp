// The package as a customer gets it, from a prefix where nothing of ours is installed: Kestrun at
// its top starts the setup that fits the Windows family, the setup installs the provider and
// Keystead and starts it, and the uninstaller named in Add/Remove Programs takes all of it away
// again, down to the certificates that name the provider.
#include "cert_stores.h"
#include "keystead_driver.h"
#include "pe_image.h"
#include "provider_registry.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const std::string kProviderKey =
    std::string("SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\") + kVelqProvider;
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Keystead";
const char kAbsent[] = "<absent>";
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string PackageDir() {
    return TestBinDir() + "\\package";
}

std::string SystemFile(const char* name) {
    char dir[MAX_PATH] = "";
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

std::string InstallDir() {
    char dir[MAX_PATH] = "";
    GetEnvironmentVariableA("ProgramFiles", dir, sizeof dir);
    return std::string(dir) + "\\Keystead";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether two files hold the same bytes; a missing file matches nothing.
bool SameFile(const std::string& a, const std::string& b) {
    const std::string bytes = ReadFileBytes(a);
    return !bytes.empty() && bytes == ReadFileBytes(b);
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A value under HKEY_LOCAL_MACHINE as text (a DWORD in decimal, the strings of a list one
// after another when whole), or kAbsent.
std::string Value(const std::string& path, const char* name, bool whole = false) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kAbsent;
    std::vector<char> data(16384);
    DWORD size = static_cast<DWORD>(data.size() - 2), type = 0;
    std::string text = kAbsent;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
        ERROR_SUCCESS)
        text = type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data.data()))
               : whole           ? std::string(data.data(), size)
                                 : std::string(data.data());
    RegCloseKey(key);
    return text;
}

// Every process running now: its identifier and its program's file name.
std::map<DWORD, std::string> Processes() {
    std::map<DWORD, std::string> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes[entry.th32ProcessID] = entry.szExeFile;
    CloseHandle(snapshot);
    return processes;
}

std::vector<DWORD> ProcessesNamed(const char* exe) {
    std::vector<DWORD> pids;
    for (const auto& [pid, name] : Processes())
        if (_stricmp(name.c_str(), exe) == 0)
            pids.push_back(pid);
    return pids;
}

DWORD ParentOf(DWORD pid) {
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == pid)
            parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

std::string ExeOf(DWORD pid) {
    const std::map<DWORD, std::string> processes = Processes();
    const auto found = processes.find(pid);
    return found == processes.end() ? "" : found->second;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}

struct WizardWindow {
    HWND hwnd = nullptr;
    DWORD pid = 0;
};

BOOL CALLBACK FindWizardWindow(HWND hwnd, LPARAM data) {
    char title[256] = "", cls[64] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    GetClassNameA(hwnd, cls, sizeof cls);
    const std::string text = title;
    // "Keystead Setup" or "Keystead Uninstall", with the edition and the page's name:
    // "Keystead (demo: ...) Setup: Installation Folder".
    if (IsWindowVisible(hwnd) && std::string(cls) == "#32770" && text.rfind("Keystead", 0) == 0 &&
        (text.find(" Setup") != std::string::npos ||
         text.find(" Uninstall") != std::string::npos)) {
        auto* found = reinterpret_cast<WizardWindow*>(data);
        found->hwnd = hwnd;
        GetWindowThreadProcessId(hwnd, &found->pid);
        return FALSE;
    }
    return TRUE;
}

// Goes through the setup's or the uninstaller's pages as a person would, pressing each page's
// default button (Install, Uninstall, Close) until done() holds. Returns the file name of the
// program whose window it pressed, or "" when it met none.
std::string ClickThrough(const std::function<bool()>& done, DWORD timeoutMs = 90000) {
    std::string program;
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) {
            ADD_FAILURE() << "the wizard did not end";
            break;
        }
        WizardWindow window;
        EnumWindows(FindWizardWindow, reinterpret_cast<LPARAM>(&window));
        HWND next = window.hwnd ? GetDlgItem(window.hwnd, IDOK) : nullptr;
        if (next && IsWindowEnabled(next) && IsWindowVisible(next)) {
            program = ExeOf(window.pid);
            PostMessageA(window.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(next));
        }
        Sleep(300);
    }
    return program;
}

struct PagesOutcome {
    DWORD exitCode = 99;
    DWORD pid = 0;
    std::string setup; // the program that showed its pages
};

// Starts a program from the folder it is in, as a double click does, and goes through the
// pages it (or the setup it starts) shows until it ends.
PagesOutcome RunThroughPages(const std::string& program) {
    PagesOutcome outcome;
    std::string command = "\"" + program + "\"";
    const std::string dir = program.substr(0, program.find_last_of('\\'));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                        &pi)) {
        ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
        return outcome;
    }
    outcome.pid = pi.dwProcessId;
    outcome.setup =
        ClickThrough([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &outcome.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return outcome;
}

// Double-clicks Kestrun in the package folder and goes through the setup it starts; Kestrun
// waits for the setup.
PagesOutcome RunKestrun() {
    return RunThroughPages(PackageDir() + "\\Kestrun.exe");
}

// The setup started the way an administrator's script starts it: silently.
int RunSetupSilently(const std::string& package = PackageDir()) {
    return RunProcess("\"" + package + "\\setup\\ZQTM_USBKEY_Setup.exe\" /S", 90000,
                      package.c_str());
}

// The uninstaller carries on from a copy of itself in the temporary folder, so its end shows in
// what it removes last and in that copy's end.
bool UninstallerDone() {
    return !Exists(InstallDir()) && !KeyExists(kUninstallKey) && ProcessesNamed("Un.exe").empty();
}

// Runs the uninstaller that Add/Remove Programs names: silently, or through its pages.
bool Uninstall(bool silently) {
    const std::string command =
        Value(kUninstallKey, silently ? "QuietUninstallString" : "UninstallString");
    if (command == kAbsent)
        return false;
    if (RunProcess(command, 30000) != 0)
        return false;
    if (silently)
        return WaitFor(UninstallerDone, 60000);
    return ClickThrough(UninstallerDone) == "Un.exe";
}

// One running Keystead, from the installed file, whose first scan is over.
std::vector<DWORD> RunningKeysteads() {
    return ProcessesNamed("Keystead.exe");
}

// Whether the Keystead of that process has its window and waits for input: its first scan is
// over.
bool FirstScanOver(DWORD pid) {
    HWND main = nullptr;
    if (!WaitFor(
            [&] {
                main = FindWindowA("#32770", "Keystead");
                DWORD owner = 0;
                GetWindowThreadProcessId(main, &owner);
                return main && owner == pid;
            },
            20000))
        return false;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    const bool idle = process && WaitForInputIdle(process, 20000) == 0;
    if (process)
        CloseHandle(process);
    DWORD_PTR ignored = 0;
    return idle && SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored) != 0;
}

class PackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Exists(PackageDir() + "\\Kestrun.exe"));
        ASSERT_FALSE(KeyExists(kUninstallKey)) << "a Keystead is installed already";
        ASSERT_FALSE(Exists(SystemFile("VELQ_CSP.dll")));
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_EQ(rig_.Ctl("create 0001 --changed --container \"Zhang San:both\""), 0);
        // Inherited by Kestrun, the setup and the Keystead it starts, as the stand-in's rig.
        SetEnvironmentVariableA("ZQSIM_RIG", rig_.dir().c_str());
        token_ = Exported("sign") + Exported("exch");

        // Certificates that are not the provider's: one of another provider, one of a provider
        // whose name only begins like ours, one without key information.
        EmptyStore("MY");
        const std::vector<std::string> others = DebianCaCertificates();
        ASSERT_GE(others.size(), 3u);
        ASSERT_TRUE(AddToStore("MY", others[0], L"Microsoft Base Cryptographic Provider v1.0"));
        ASSERT_TRUE(AddToStore("MY", others[1], L"VELQ Cryptographic Service Provider v2.0"));
        ASSERT_TRUE(AddToStore("MY", others[2]));
        unrelated_ = ReadStore("MY");
    }

    void TearDown() override {
        if (KeyExists(kUninstallKey))
            Uninstall(true);
        for (const char* exe : {"Keystead.exe", "ZQTM_USBKEY_Setup.exe", "Setup.exe", "Un.exe"}) {
            for (DWORD pid : ProcessesNamed(exe)) {
                HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
                TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
        // Whatever a failed run left, so that no later test sees a provider installed.
        DeleteFileA(SystemFile("VELQ_CSP.dll").c_str());
        DeleteFileA(SystemFile("ZQCSP.dll").c_str());
        HKEY shared = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &shared) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(shared, SystemFile("VELQ_CSP.dll").c_str());
            RegDeleteValueA(shared, SystemFile("ZQCSP.dll").c_str());
            RegCloseKey(shared);
        }
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProviderKey.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Keystead\\Roots");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Keystead");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Keystead\\AddedRoots");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Keystead");
        HKEY run = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueA(run, "Keystead");
            RegCloseKey(run);
        }
        RemoveTree(InstallDir());
        EmptyStore("MY");
        for (const char* exe :
             {"Keystead.exe", "Kestrun.exe", "Setup.exe", "ZQTM_USBKEY_Setup.exe"})
            SetWindowsVersion(exe, "winxp");
    }

    // After a silent install no Keystead runs: it starts at the next sign-in, from the Run
    // value, as this does.
    void SignIn() {
        Sleep(1000); // what the setup started would be running by now
        ASSERT_TRUE(RunningKeysteads().empty()) << "the silent install started Keystead";
        const std::string command = Value(kRunKey, "Keystead");
        ASSERT_NE(command, kAbsent);
        std::string line = command;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &si, &pi));
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }

    std::string Exported(const char* kind) {
        const std::string path = rig_.dir() + "\\export.der";
        EXPECT_EQ(rig_.Ctl(std::string("export-cert 0001 0 ") + kind + " \"" + path + "\""), 0);
        return ReadFileBytes(path);
    }

    // What an installed machine must show: our files, the provider entered as the README's
    // reg lines enter it, Keystead started at logon and running now with the token's
    // certificates registered beside the unrelated ones, and a client signing through it.
    void ExpectInstalledAndWorking(bool chinese = false) {
        const std::string keystead = InstallDir() + "\\Keystead.exe";
        EXPECT_TRUE(SameFile(keystead, KeysteadPath(chinese)))
            << "not the resource set that fits the system's language";
        EXPECT_TRUE(Exists(InstallDir() + "\\uninstall.exe"));
        EXPECT_TRUE(SameFile(SystemFile("VELQ_CSP.dll"), BinDir() + "\\ZQ_CSP.dll"));
        EXPECT_TRUE(SameFile(SystemFile("ZQCSP.dll"), BinDir() + "\\ZQCSP.dll"));
        EXPECT_EQ(Value(kProviderKey, "Image Path"), SystemFile("VELQ_CSP.dll"));
        EXPECT_EQ(Value(kProviderKey, "Type"), "1");
        // The provider's signature is looked for in its file, not in the registry.
        EXPECT_EQ(Value(kProviderKey, "SigInFile"), "1");
        EXPECT_EQ(Value(kProviderKey, "Signature", true), kAbsent);
        EXPECT_EQ(Value(kRunKey, "Keystead"), "\"" + keystead + "\"");
        EXPECT_EQ(Value(kUninstallKey, "UninstallString"),
                  "\"" + InstallDir() + "\\uninstall.exe\"");

        ASSERT_TRUE(WaitFor([] { return RunningKeysteads().size() == 1; }, 20000))
            << RunningKeysteads().size() << " Keystead processes";
        // The certificates an earlier Keystead registered stay in "MY"; this one's first scan
        // takes them out and puts them back, so look once it is over.
        ASSERT_TRUE(FirstScanOver(RunningKeysteads()[0]));
        std::map<std::string, StoredCert> mine;
        const bool registered = WaitFor(
            [&] {
                mine.clear();
                for (const auto& [der, cert] : ReadStore("MY"))
                    if (!unrelated_.count(der))
                        mine[der] = cert;
                return mine.size() == 2;
            },
            20000);
        ASSERT_TRUE(registered) << mine.size() << " certificates registered";
        for (const auto& [der, cert] : mine) {
            EXPECT_NE(token_.find(der), std::string::npos);
            EXPECT_EQ(cert.provider,
                      std::wstring(kVelqProvider, kVelqProvider + strlen(kVelqProvider)));
            EXPECT_EQ(cert.container, L"Zhang San");
        }
        for (const auto& [der, cert] : unrelated_)
            EXPECT_EQ(ReadStore("MY").count(der), 1u);

        EXPECT_EQ(RunProcess("\"" + TestBinDir() + "\\certificate_client.exe\" \"" + kVelqProvider +
                             "\" VELQ_CSP.dll"),
                  0)
            << "no signature through the installed provider";
    }

    // Nothing of ours is left: no file, key or value, no certificate naming the provider, and
    // every other certificate as it was. The running uninstaller's own copy cannot delete
    // itself; as on Windows, it is left to the next start of the system.
    void ExpectNothingLeft() {
        EXPECT_FALSE(Exists(InstallDir()));
        const std::string pending = Value("System\\CurrentControlSet\\Control\\Session Manager",
                                          "PendingFileRenameOperations", true);
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((std::string(temp) + "~nsu*.tmp").c_str(), &entry);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more;
             more = FindNextFileA(search, &entry)) {
            const std::string copy = std::string(temp) + entry.cFileName + "\\Un.exe";
            if (Exists(copy)) {
                EXPECT_NE(pending.find("\\??\\" + copy), std::string::npos)
                    << copy << " is neither removed nor left to the next start";
            }
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        EXPECT_FALSE(Exists(SystemFile("VELQ_CSP.dll")));
        EXPECT_FALSE(Exists(SystemFile("ZQCSP.dll")));
        EXPECT_EQ(Value(kSharedDlls, SystemFile("VELQ_CSP.dll").c_str()), kAbsent);
        EXPECT_EQ(Value(kSharedDlls, SystemFile("ZQCSP.dll").c_str()), kAbsent);
        EXPECT_FALSE(KeyExists(kProviderKey));
        EXPECT_FALSE(KeyExists(kUninstallKey));
        EXPECT_EQ(Value(kRunKey, "Keystead"), kAbsent);
        EXPECT_TRUE(RunningKeysteads().empty());
        const std::map<std::string, StoredCert> left = ReadStore("MY");
        EXPECT_EQ(left.size(), unrelated_.size());
        for (const auto& [der, cert] : left)
            EXPECT_TRUE(unrelated_.count(der))
                << "left behind: a certificate of "
                << std::string(cert.provider.begin(), cert.provider.end());
        for (const auto& [der, cert] : unrelated_) {
            auto found = left.find(der);
            ASSERT_NE(found, left.end());
            EXPECT_EQ(found->second.provider, cert.provider);
        }
    }

    TestRig rig_;
    std::string token_; // the token's certificates, as exported
    std::map<std::string, StoredCert> unrelated_;
};

struct Family {
    const char* version;
    const char* setup; // what Kestrun must start
};

void PrintTo(const Family& family, std::ostream* out) {
    *out << family.version;
}

class PackageFamilyTest : public PackageTest, public ::testing::WithParamInterface<Family> {};

TEST_P(PackageFamilyTest, KestrunsSetupInstallsAWorkingKeysteadAndTheUninstallerLeavesNothing) {
    const Family family = GetParam();
    for (const char* exe : {"Kestrun.exe", family.setup, "Keystead.exe"})
        SetWindowsVersion(exe, family.version);

    const PagesOutcome run = RunKestrun();
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_STREQ(run.setup.c_str(), family.setup);
    ExpectInstalledAndWorking();

    // The installation check sees what the setup installed.
    const std::vector<DWORD> pids = RunningKeysteads();
    ASSERT_EQ(pids.size(), 1u);
    KeysteadRun app;
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            main = FindWindowA("#32770", "Keystead");
            return main != nullptr;
        },
        10000));
    app.Attach(main, pids[0]);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_SYSTEM_INFO, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_SYSTEM_INFO)));
    HWND box = app.WaitForDialog("System Information");
    ASSERT_NE(box, nullptr);
    const std::string report = MessageBoxText(box);
    EXPECT_NE(report.find(std::string("\n\nCSP version: ") + kVelqProvider), std::string::npos)
        << report;
    const std::string installed = "\n\nDevice driver installed!";
    EXPECT_EQ(report.substr(report.size() - std::min(report.size(), installed.size())), installed)
        << report;
    AnswerAndWaitGone(box, IDOK);
    app.Detach();

    ASSERT_TRUE(Uninstall(false));
    ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(Families, PackageFamilyTest,
                         ::testing::Values(Family{"winxp", "ZQTM_USBKEY_Setup.exe"},
                                           Family{"win98", "Setup.exe"}),
                         [](const ::testing::TestParamInfo<Family>& family) {
                             return std::string(family.param.version);
                         });

TEST_F(PackageTest, InstallingAgainOverTheFirstOrWhileKeysteadRunsLeavesOneWorkingKeystead) {
    ASSERT_EQ(RunSetupSilently(), 0);
    SignIn();
    ExpectInstalledAndWorking();

    // Over the first, with Keystead ended.
    HWND main = FindWindowA("#32770", "Keystead");
    ASSERT_NE(main, nullptr);
    SendMessageA(main, kEndRequest, 0, 0);
    ASSERT_TRUE(WaitFor([] { return RunningKeysteads().empty(); }, 10000));
    ASSERT_EQ(RunSetupSilently(), 0);
    SignIn();
    ExpectInstalledAndWorking();

    // While it runs: the setup ends it.
    ASSERT_EQ(RunningKeysteads().size(), 1u);
    ASSERT_EQ(RunSetupSilently(), 0);
    SignIn();
    ExpectInstalledAndWorking();
    // Counted once per installation, however often it was installed.
    EXPECT_EQ(Value(kSharedDlls, SystemFile("VELQ_CSP.dll").c_str()), "1");
    EXPECT_EQ(Value(kSharedDlls, SystemFile("ZQCSP.dll").c_str()), "1");

    ASSERT_TRUE(Uninstall(true));
    ExpectNothingLeft();
}

// The package names the bank's root: only that root, of all a token may carry, becomes a root of
// the user's account, and the uninstaller takes away the roots Keystead added and no others.
TEST_F(PackageTest, OnlyTheNamedBankRootIsTrustedAndTheUninstallerTakesAwayOnlyKeysteadsRoots) {
    const std::string bankRoot = ReadFileBytes(TestBinDir() + "\\bank_root.der");
    ASSERT_FALSE(bankRoot.empty());
    ASSERT_EQ(rig_.Ctl("add-cert 0001 ZRB_OnLineBank_Root_Cert sign \"" + TestBinDir() +
                       "\\bank_root.der\""),
              0);
    // Self-signed CA roots: one on a second token, which the package does not name, and one of
    // the user's own, already trusted, which nothing of Keystead's may take away.
    ASSERT_EQ(rig_.Ctl("create 0002 --changed --slot 2 --root"), 0);
    ASSERT_EQ(rig_.Ctl("create 0003 --changed --slot 3 --root --unplugged"), 0);
    const std::string path = rig_.dir() + "\\root.der";
    // Each root container comes after the token's ordinary one.
    ASSERT_EQ(rig_.Ctl("export-cert 0002 1 sign \"" + path + "\""), 0);
    const std::string stranger = ReadFileBytes(path);
    ASSERT_EQ(rig_.Ctl("export-cert 0003 1 sign \"" + path + "\""), 0);
    const std::string own = ReadFileBytes(path);
    ASSERT_TRUE(AddToStore("ROOT", own));

    ASSERT_EQ(RunSetupSilently(), 0);
    SignIn();
    ASSERT_TRUE(WaitFor([&] { return ReadStore("ROOT").count(bankRoot) == 1; }, 20000));
    ASSERT_TRUE(FirstScanOver(RunningKeysteads()[0]));
    EXPECT_EQ(ReadStore("ROOT").count(stranger), 0u) << "a root the package does not name";
    EXPECT_EQ(Value(std::string("Software\\Keystead\\Roots"), Thumbprint(bankRoot).c_str()), "");

    // What Keystead remembers of its expiry warnings goes with it too.
    HKEY announced = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Keystead\\ExpiryAnnounced", 0, nullptr,
                              0, KEY_SET_VALUE, nullptr, &announced, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(announced, Thumbprint(own).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>("20261211"), 9);
    RegCloseKey(announced);
    ASSERT_TRUE(Uninstall(true));
    std::map<std::string, StoredCert> trusted = ReadStore("ROOT");
    EXPECT_EQ(trusted.count(bankRoot), 0u) << "the root Keystead added stays trusted";
    EXPECT_EQ(trusted.count(own), 1u) << "the user's own root was taken away";
    EXPECT_FALSE(KeyExists("Software\\Keystead"));
    HKEY added = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Keystead", 0, KEY_READ, &added),
              ERROR_SUCCESS);
    if (added)
        RegCloseKey(added);
    RemoveFromStore("ROOT", own);
}

// The package signed for a bank (scripts/package --sign) installs and uninstalls as the unsigned
// one does; its installed programs and uninstaller are the signed files.
TEST_F(PackageTest, TheSignedPackageInstallsAndUninstalls) {
    const std::string signedPackage = TestBinDir() + "\\signed_package";
    ASSERT_EQ(RunSetupSilently(signedPackage), 0);
    SignIn();
    ASSERT_TRUE(WaitFor([] { return RunningKeysteads().size() == 1; }, 20000));
    ASSERT_TRUE(FirstScanOver(RunningKeysteads()[0]));
    for (const std::string& file : {InstallDir() + "\\Keystead.exe",
                                    InstallDir() + "\\uninstall.exe", SystemFile("VELQ_CSP.dll")}) {
        const PeImage pe = ReadPeImage(file);
        ASSERT_TRUE(pe.ok) << file;
        EXPECT_GT(pe.securityDirectorySize, 0u) << file << " carries no signature";
    }
    EXPECT_EQ(Value(kProviderKey, "SigInFile"), "1");
    ASSERT_TRUE(Uninstall(true));
    ExpectNothingLeft();
}

// On the Vista family the setup runs elevated: the Keystead an interactive install starts is
// started by the shell, as the user who is signed in, never as a child of the elevated setup.
TEST_F(PackageTest, OnTheVistaFamilyTheShellStartsKeysteadNotTheElevatedSetup) {
    ASSERT_EQ(rig_.Ctl("pull 0001"), 0); // no token, so no integrity label to refuse
    for (const char* version : {"vista", "winxp"}) {
        SCOPED_TRACE(version);
        for (const char* exe : {"ZQTM_USBKEY_Setup.exe", "Keystead.exe"})
            SetWindowsVersion(exe, version);
        const PagesOutcome run = RunThroughPages(PackageDir() + "\\setup\\ZQTM_USBKEY_Setup.exe");
        ASSERT_EQ(run.exitCode, 0u);
        const DWORD setup = run.pid;
        ASSERT_TRUE(WaitFor([] { return RunningKeysteads().size() == 1; }, 20000));
        const DWORD parent = ParentOf(RunningKeysteads()[0]);
        if (std::string(version) == "vista")
            EXPECT_NE(parent, setup) << "started with the elevated setup's token";
        else
            EXPECT_EQ(parent, setup) << "the test cannot tell who started Keystead";
        ASSERT_TRUE(Uninstall(true));
    }
}

// The folder is the setup's to make: one that holds what someone else put there is refused
// before anything is written, in silence with an exit code; one outside Program Files is made
// by the setup and serves as the default one does.
TEST_F(PackageTest, AForeignFolderIsRefusedAndAFolderOutsideProgramFilesIsMadeByTheSetup) {
    const std::string foreign = MakeTempDir("foreign");
    const std::string planted = foreign + "\\version.dll";
    ASSERT_TRUE(CopyFileA((BinDir() + "\\ZQ_CSP.dll").c_str(), planted.c_str(), FALSE));
    const std::string silent = "\"" + PackageDir() + "\\setup\\ZQTM_USBKEY_Setup.exe\" /S /D=";
    EXPECT_NE(RunProcess(silent + foreign, 90000, PackageDir().c_str()), 0);
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(kProviderKey));
    EXPECT_EQ(Value(kRunKey, "Keystead"), kAbsent);
    EXPECT_FALSE(Exists(SystemFile("VELQ_CSP.dll")));
    EXPECT_EQ(Value(kSharedDlls, SystemFile("VELQ_CSP.dll").c_str()), kAbsent);
    EXPECT_FALSE(Exists(foreign + "\\Keystead.exe"));
    EXPECT_FALSE(Exists(foreign + "\\uninstall.exe"));
    EXPECT_TRUE(Exists(planted));
    RemoveTree(foreign);

    // Two folders down from one that is there: both made by the setup.
    const std::string outside = MakeTempDir("outside") + "\\Bank\\Keystead";
    ASSERT_EQ(RunProcess(silent + outside, 90000, PackageDir().c_str()), 0);
    EXPECT_TRUE(Exists(outside + "\\Keystead.exe"));
    EXPECT_EQ(Value(kUninstallKey, "InstallLocation"), outside);
    // And taken again, holding an earlier Keystead.
    ASSERT_EQ(RunProcess(silent + outside, 90000, PackageDir().c_str()), 0);
    ASSERT_TRUE(Uninstall(true));
    EXPECT_TRUE(WaitFor([&] { return !Exists(outside); }, 30000));
}

// The vendor's own setup installed its library and the provider before: both stay, with the
// shared-DLL counts they had, through Keystead's install and uninstall.
TEST_F(PackageTest, TheVendorsFilesSurviveWithTheirSharedCountsBackWhereTheyWere) {
    const std::string vendor = SystemFile("ZQCSP.dll"), provider = SystemFile("VELQ_CSP.dll");
    ASSERT_TRUE(CopyFileA((BinDir() + "\\ZQCSP.dll").c_str(), vendor.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((BinDir() + "\\ZQ_CSP.dll").c_str(), provider.c_str(), FALSE));
    HKEY shared = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &shared, nullptr),
              ERROR_SUCCESS);
    const DWORD three = 3;
    RegSetValueExA(shared, vendor.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three),
                   sizeof three);
    RegCloseKey(shared);
    // The provider's file has no count: it counts one for its owner.
    ScopedProvider registered(kVelqProvider, provider.c_str());
    ASSERT_TRUE(registered.ok());

    ASSERT_EQ(RunSetupSilently(), 0);
    EXPECT_EQ(Value(kSharedDlls, vendor.c_str()), "4");
    EXPECT_EQ(Value(kSharedDlls, provider.c_str()), "2");
    ASSERT_TRUE(Uninstall(true));
    EXPECT_TRUE(Exists(vendor));
    EXPECT_TRUE(Exists(provider));
    EXPECT_TRUE(KeyExists(kProviderKey)) << "the vendor's provider went with Keystead";
    EXPECT_EQ(Value(kSharedDlls, vendor.c_str()), "3");
    EXPECT_EQ(Value(kSharedDlls, provider.c_str()), "1");
    EXPECT_FALSE(Exists(InstallDir()));
}

TEST_F(PackageTest, AChineseSystemGetsTheChineseKeystead) {
    ASSERT_EQ(RunSetupSilently(), 0);
    SignIn();
    ExpectInstalledAndWorking(true);
    ASSERT_TRUE(Uninstall(true));
    ExpectNothingLeft();
}

} // namespace
