// The System Information button of the real Keystead, under every Windows version Wine can
// present, against the prefix's real registry and system directory. The expected operating-
// system line is built here from the version record a probe program gets under the same
// Windows version, so a fault in reading or composing the record shows.
#include "keystead_driver.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const int kSystemInfo = IDC_SYSTEM_INFO;
const char kProviders[] = "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider";
const char kBrowserKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";

// The report's fixed texts in one resource set.
struct ReportTexts {
    std::string os, browser, csp, noCsp, driverInstalled, driverMissing, caption;
};

ReportTexts EnglishTexts() {
    return {
        "\nOS information: ",     "\nInternet Explorer version: ", "\n\nCSP version: ",
        "VELQ CSP no installed!", "\n\nDevice driver installed!",  "\nDevice driver no installed!",
        "System Information"};
}

// The texts of a program's own table, as it shows them in this process's ANSI code page.
ReportTexts TextsOf(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    auto text = [&](UINT id) {
        wchar_t wide[256] = {};
        const int length = LoadStringW(module, id, wide, 256);
        char ansi[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, length, ansi, sizeof ansi - 1, nullptr, nullptr);
        return std::string(ansi);
    };
    ReportTexts t = {text(83), text(84), text(85), text(86), text(87), text(88), text(89)};
    if (module)
        FreeLibrary(module);
    return t;
}

std::string Report(const ReportTexts& t, const std::string& os, const std::string& browser,
                   const std::string& provider, bool driverInstalled) {
    return t.os + os + t.browser + browser + t.csp + (provider.empty() ? t.noCsp : provider) +
           (driverInstalled ? t.driverInstalled : t.driverMissing);
}

std::string SystemDir() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What a program named Keystead.exe is told by GetVersionExA under the Windows version set for
// that name: the probe, copied under that name, writes it down.
std::map<std::string, std::string> ProbeVersion() {
    const std::string dir = MakeTempDir("probe");
    const std::string probe = dir + "\\Keystead.exe", out = dir + "\\record.txt";
    std::map<std::string, std::string> fields;
    if (CopyFileA((TestBinDir() + "\\version_probe.exe").c_str(), probe.c_str(), FALSE) &&
        RunProcess("\"" + probe + "\" \"" + out + "\"", 30000) == 0) {
        std::istringstream lines(ReadWholeFile(out));
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos)
                fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    RemoveTree(dir);
    return fields;
}

// A registry value of HKEY_LOCAL_MACHINE put back as it was, or removed again, when this goes.
class SavedValue {
  public:
    // view: KEY_WOW64_64KEY for what a 32-bit program reads in the 64-bit view.
    SavedValue(const char* key, const char* name, REGSAM view = 0)
        : key_(key), name_(name), view_(view) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | view, &k) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        if (RegQueryValueExA(k, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            existed_ =
                RegQueryValueExA(k, name, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
            data_.resize(size);
        }
        RegCloseKey(k);
    }
    ~SavedValue() {
        HKEY k = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view_,
                            nullptr, &k, nullptr) != ERROR_SUCCESS)
            return;
        if (existed_)
            RegSetValueExA(k, name_.c_str(), 0, type_, data_.data(),
                           static_cast<DWORD>(data_.size()));
        else
            RegDeleteValueA(k, name_.c_str());
        RegCloseKey(k);
    }
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

    // Writes raw bytes as a string value, with or without a terminator.
    bool Set(const std::string& bytes) const {
        HKEY k = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view_,
                            nullptr, &k, nullptr) != ERROR_SUCCESS)
            return false;
        const bool ok =
            RegSetValueExA(k, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
        RegCloseKey(k);
        return ok;
    }
    bool Delete() const {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_SET_VALUE | view_, &k) !=
            ERROR_SUCCESS)
            return false;
        const LONG status = RegDeleteValueA(k, name_.c_str());
        RegCloseKey(k);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

  private:
    std::string key_, name_;
    REGSAM view_;
    bool existed_ = false;
    DWORD type_ = REG_SZ;
    std::vector<BYTE> data_;
};

// A whole HKEY_LOCAL_MACHINE key taken away, kept in a copy and put back when this goes.
class RemovedKey {
  public:
    explicit RemovedKey(const char* key) : key_(key) {
        HKEY source = nullptr, copy = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &source) != ERROR_SUCCESS)
            return;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCopy, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &copy, nullptr) == ERROR_SUCCESS) {
            saved_ = RegCopyTreeA(source, nullptr, copy) == ERROR_SUCCESS;
            RegCloseKey(copy);
        }
        RegCloseKey(source);
        removed_ = saved_ && RegDeleteTreeA(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS;
    }
    ~RemovedKey() {
        if (!saved_)
            return;
        HKEY copy = nullptr, target = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCopy, 0, KEY_READ, &copy) == ERROR_SUCCESS) {
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &target, nullptr) == ERROR_SUCCESS) {
                RegCopyTreeA(copy, nullptr, target);
                RegCloseKey(target);
            }
            RegCloseKey(copy);
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCopy);
    }
    RemovedKey(const RemovedKey&) = delete;
    RemovedKey& operator=(const RemovedKey&) = delete;

    bool removed() const { return removed_; }

  private:
    static constexpr const char* kCopy = "SOFTWARE\\Keystead test copy";
    std::string key_;
    bool saved_ = false, removed_ = false;
};

// Provider subkeys made for one test and removed again.
class ProviderKeys {
  public:
    ProviderKeys() = default;
    ~ProviderKeys() {
        for (const std::string& name : made_)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kProviders) + "\\" + name).c_str());
    }
    ProviderKeys(const ProviderKeys&) = delete;
    ProviderKeys& operator=(const ProviderKeys&) = delete;

    bool Add(const std::string& name) {
        HKEY k = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kProviders) + "\\" + name).c_str(), 0,
                            nullptr, 0, KEY_WRITE, nullptr, &k, &disposition) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        if (disposition == REG_CREATED_NEW_KEY)
            made_.push_back(name);
        return true;
    }

  private:
    std::vector<std::string> made_;
};

// The subkey names of the provider list in the registry's own enumeration order.
std::vector<std::string> ProviderNames() {
    std::vector<std::string> names;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProviders, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return names;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(k, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(k);
    return names;
}

// A file in the system directory, present or absent as a test needs, and put back as it was.
class SystemFile {
  public:
    explicit SystemFile(const char* name) : path_(SystemDir() + "\\" + name) {
        existed_ = GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (existed_)
            saved_ = ReadWholeFile(path_);
    }
    ~SystemFile() {
        Unlock();
        if (existed_)
            std::ofstream(path_, std::ios::binary) << saved_;
        else
            DeleteFileA(path_.c_str());
    }
    SystemFile(const SystemFile&) = delete;
    SystemFile& operator=(const SystemFile&) = delete;

    bool Present(bool present) {
        if (!present)
            return (DeleteFileA(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) &&
                   GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES;
        std::ofstream(path_, std::ios::binary) << "MZ stand-in";
        return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Holds the file open with no sharing at all: it exists but nobody else can open it.
    bool Lock() {
        lock_ = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return lock_ != INVALID_HANDLE_VALUE;
    }
    void Unlock() {
        if (lock_ != INVALID_HANDLE_VALUE)
            CloseHandle(lock_);
        lock_ = INVALID_HANDLE_VALUE;
    }

  private:
    std::string path_;
    bool existed_ = false;
    std::string saved_;
    HANDLE lock_ = INVALID_HANDLE_VALUE;
};

// The prefix's own browser version, as any program reads it.
std::string BrowserVersion() {
    char value[256] = {};
    DWORD size = sizeof value - 1;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBrowserKey, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return "";
    RegQueryValueExA(k, "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(k);
    return value;
}

// The pixels of a rectangle of the screen, as 32-bit colours.
std::vector<DWORD> Pixels(HDC source, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits),
                              static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

// Whether the icon control of another process's window shows that system icon: icon handles
// are the process's own, so the control's pixels on screen are compared with the icon drawn
// here over the same background, against every other icon a message box can carry.
bool ShowsIcon(HWND control, LPCSTR wanted) {
    RECT r = {};
    if (!control || !IsWindowVisible(control) || !GetWindowRect(control, &r))
        return false;
    const int size = GetSystemMetrics(SM_CXICON);
    HDC screen = GetDC(nullptr);
    const std::vector<DWORD> shown = Pixels(screen, r.left, r.top, size, size);
    ReleaseDC(nullptr, screen);
    const DWORD background = shown[0];
    auto difference = [&](LPCSTR id) {
        HDC screenDc = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screenDc);
        HBITMAP canvas = CreateCompatibleBitmap(screenDc, size, size);
        HGDIOBJ old = SelectObject(memory, canvas);
        // The DIB colour is 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
        HBRUSH brush = CreateSolidBrush(
            RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
        RECT all = {0, 0, size, size};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, id), size, size, 0, nullptr, DI_NORMAL);
        const std::vector<DWORD> drawn = Pixels(memory, 0, 0, size, size);
        SelectObject(memory, old);
        DeleteObject(canvas);
        DeleteDC(memory);
        ReleaseDC(nullptr, screenDc);
        long differing = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i)
            differing += (drawn[i] & 0xFFFFFF) != (shown[i] & 0xFFFFFF);
        return differing;
    };
    const long wantedDifference = difference(wanted);
    for (LPCSTR other : {IDI_ERROR, IDI_WARNING, IDI_QUESTION, IDI_INFORMATION, IDI_APPLICATION})
        if (other != wanted && difference(other) <= wantedDifference)
            return false;
    return wantedDifference * 20 < size * size;
}

// What Wine tells each version, and the line that must come of it.
struct Family {
    const char* version;
    unsigned platform, major, minor, productType, suiteMask;
    const char* servicePack; // for the 9x family, whose sub-release it marks
    const char* name;        // product name and edition word
    const char* consoleWord; // written to standard output
};

void PrintTo(const Family& f, std::ostream* os) {
    *os << f.version;
}

// Wine's records: 98 carries " A " and so is the second edition; Wine's win7 is a server.
const Family kFamilies[] = {
    {"win95", 1, 4, 0, 0, 0, "", "Microsoft Windows 95 ", ""},
    {"win98", 1, 4, 10, 0, 0, " A ", "Microsoft Windows 98 SE ", ""},
    {"winme", 1, 4, 90, 0, 0, " ", "Microsoft Windows Me ", ""},
    {"nt40", 2, 4, 0, 1, 0, nullptr, "Microsoft Windows NT Workstation 4.0 Professional ",
     "Workstation 4.0 "},
    {"win2k", 2, 5, 0, 1, 0, nullptr, "Microsoft Windows 2000 Professional ", "Professional "},
    {"winxp", 2, 5, 1, 1, 0x100, nullptr, "Microsoft Windows XP Professional ", "Professional "},
    {"vista", 2, 6, 0, 1, 0x100, nullptr, "Microsoft Windows Vista Professional ", "Professional "},
    {"win7", 2, 6, 1, 3, 0x100, nullptr, "Microsoft Windows Server 2008 R2 Server ", ""},
    // Told the true version by the manifest: 8.1 and 10 would be told 6.2.9200 without it.
    {"win8", 2, 6, 2, 1, 0x100, nullptr, "Microsoft Windows 8 Professional ", "Professional "},
    {"win81", 2, 6, 3, 1, 0x100, nullptr, "Microsoft Windows 8.1 Professional ", "Professional "},
    {"win10", 2, 10, 0, 1, 0x100, nullptr, "Microsoft Windows 10 Professional 22H2 ",
     "Professional "},
};
// Windows 10 names its release; each test that starts win10 gives it one, in the view Keystead
// reads.
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const Family& kWin98 = kFamilies[1];
const Family& kWin2k = kFamilies[4];
const Family& kWinXp = kFamilies[5];

// The operating-system line for that family, with the service pack and build number of the
// record Wine gives it. Empty, with a failure, when the record is not the one expected.
std::string ExpectedOsLine(const Family& f) {
    SetWindowsVersion("Keystead.exe", f.version);
    std::map<std::string, std::string> record = ProbeVersion();
    SetWindowsVersion("Keystead.exe", "winxp");
    const bool known =
        record["extended"] == "1" && record["platform"] == std::to_string(f.platform) &&
        record["major"] == std::to_string(f.major) && record["minor"] == std::to_string(f.minor) &&
        (f.platform != 2 || (record["product"] == std::to_string(f.productType) &&
                             record["suite"] == std::to_string(f.suiteMask))) &&
        (f.platform == 2 || record["csd"] == f.servicePack);
    if (!known) {
        std::string fields;
        for (const auto& field : record)
            fields += " " + field.first + "=\"" + field.second + "\"";
        ADD_FAILURE() << "Wine's " << f.version << " record is not the expected one:" << fields;
        return "";
    }
    if (f.platform != 2)
        return f.name;
    const std::string build = std::to_string(std::stoul(record["build"]) & 0xFFFF);
    const std::string version =
        f.major > 4 ? "" : " version " + record["major"] + "." + record["minor"];
    return f.name + version + " " + record["csd"] + " (Build " + build + ")\n";
}

struct ShownBox {
    std::string caption, text;
    bool ownedByMain = false, informationIcon = false, onlyOk = false;
};

class SystemInformationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        for (const std::string& name : ProviderNames())
            ASSERT_NE(name.compare(0, 4, "VELQ"), 0) << "a provider left behind: " << name;
        ASSERT_TRUE(csp_.Present(false));
        ASSERT_TRUE(driver_.Present(false));
    }
    void TearDown() override {
        app_.Kill();
        SetWindowsVersion("Keystead.exe", "winxp");
    }

    // Starts Keystead under that Windows version; the version is read at start.
    void Start(const char* version, const std::string& exe = KeysteadPath(),
               HANDLE output = nullptr) {
        SetWindowsVersion("Keystead.exe", version);
        if (output)
            app_.RedirectOutput(output);
        const bool started = app_.Start(rig_.dir(), exe);
        SetWindowsVersion("Keystead.exe", "winxp");
        ASSERT_TRUE(started) << version;
    }

    // Clicks System Information, reads the box it shows and closes it.
    ShownBox ClickAndRead(const std::string& caption = "System Information") {
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(kSystemInfo, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), kSystemInfo)));
        ShownBox shown;
        HWND box = app_.WaitForDialog(caption);
        if (!box) {
            shown.caption = "<no box titled " + caption + ">";
            return shown;
        }
        shown.caption = WindowText(box);
        shown.text = MessageBoxText(box);
        shown.ownedByMain = GetWindow(box, GW_OWNER) == app_.main();
        // The icon control (stc1) may not have been drawn yet.
        for (int i = 0; i < 10 && !shown.informationIcon; ++i) {
            if (i)
                Sleep(100);
            shown.informationIcon = ShowsIcon(GetDlgItem(box, 0x0440), IDI_INFORMATION);
        }
        auto visible = [&](int id) {
            HWND button = GetDlgItem(box, id);
            return button && IsWindowVisible(button);
        };
        shown.onlyOk = visible(IDOK) && !visible(IDCANCEL) && !visible(IDYES) && !visible(IDNO);
        AnswerDialog(box, IDOK);
        // Without a window manager Wine waits two seconds for a closing box to be withdrawn.
        for (int i = 0; i < 250 && IsWindow(box); ++i)
            Sleep(20);
        return shown;
    }
    std::string Text() { return ClickAndRead().text; }

    std::string ReportNow(const std::string& os, const std::string& provider = "",
                          bool driverInstalled = false) {
        return Report(EnglishTexts(), os, BrowserVersion(), provider, driverInstalled);
    }

    TestRig rig_; // no token: the Vista family then sets no integrity label
    KeysteadRun app_;
    SystemFile csp_{"VELQ_CSP.dll"}, driver_{"zqcsp.dll"};
};

class FamilyTest : public SystemInformationTest, public ::testing::WithParamInterface<Family> {};

} // namespace

TEST_P(FamilyTest, TheReportNamesTheRunningWindowsFromItsVersionRecord) {
    const Family& f = GetParam();
    const SavedValue release(kCurrentVersion, "DisplayVersion", KEY_WOW64_64KEY);
    ASSERT_TRUE(release.Set(std::string("22H2") + '\0'));
    const std::string os = ExpectedOsLine(f);
    ASSERT_FALSE(os.empty());

    const std::string outPath = MakeTempDir("stdout") + "\\stdout.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    Start(f.version, KeysteadPath(), out);
    CloseHandle(out);

    const ShownBox shown = ClickAndRead();
    EXPECT_EQ(shown.caption, "System Information");
    EXPECT_EQ(shown.text, ReportNow(os));
    EXPECT_TRUE(shown.ownedByMain);
    EXPECT_TRUE(shown.informationIcon);
    EXPECT_TRUE(shown.onlyOk);

    // Ended as it ends itself, so that what it wrote reaches the file.
    PostMessageA(app_.main(), kEndRequest, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitExit(15000, &code));
    EXPECT_EQ(ReadWholeFile(outPath), f.consoleWord) << "the edition word on standard output";
    DeleteFileA(outPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(Wine, FamilyTest, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& p) {
                             return std::string(p.param.version);
                         });

TEST_F(SystemInformationTest, TheProviderIsTheFirstSubkeyBeginningWithVelqInCapitals) {
    const std::string os = ExpectedOsLine(kWinXp);
    Start("winxp");
    ProviderKeys keys;
    ASSERT_TRUE(keys.Add("velq Cryptographic Service Provider v1.0"));
    ASSERT_TRUE(keys.Add("Velq Other"));
    EXPECT_EQ(Text(), ReportNow(os)) << "other letter cases do not count";

    ASSERT_TRUE(keys.Add("VELQ Cryptographic Service Provider v2.0.0"));
    EXPECT_EQ(Text(), ReportNow(os, "VELQ Cryptographic Service Provider v2.0.0"));

    ASSERT_TRUE(keys.Add("VELQ Alpha"));
    ASSERT_TRUE(keys.Add("VELQZ"));
    std::string first;
    for (const std::string& name : ProviderNames())
        if (first.empty() && name.compare(0, 4, "VELQ") == 0)
            first = name;
    EXPECT_EQ(Text(), ReportNow(os, first)) << "the first in enumeration order";

    // No provider list at all, or an empty one.
    RemovedKey gone(kProviders);
    ASSERT_TRUE(gone.removed());
    EXPECT_EQ(Text(), ReportNow(os));
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProviders, 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(Text(), ReportNow(os));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProviders);
}

TEST_F(SystemInformationTest, TheDriverIsInstalledOnlyWhenBothFilesCanBeOpened) {
    const std::string os = ExpectedOsLine(kWin98);
    Start("win98");
    const std::string missing = ReportNow(os), installed = ReportNow(os, "", true);
    EXPECT_EQ(Text(), missing) << "neither";
    ASSERT_TRUE(csp_.Present(true));
    EXPECT_EQ(Text(), missing) << "only VELQ_CSP.dll";
    ASSERT_TRUE(driver_.Present(true));
    EXPECT_EQ(Text(), installed) << "both";
    ASSERT_TRUE(csp_.Present(false));
    EXPECT_EQ(Text(), missing) << "only zqcsp.dll";
    ASSERT_TRUE(csp_.Present(true));
    ASSERT_TRUE(driver_.Lock());
    EXPECT_EQ(Text(), missing) << "present but not to be opened";
}

TEST_F(SystemInformationTest, ABrowserVersionTooLongForItsBufferOrMissingIsShownEmpty) {
    const std::string os = ExpectedOsLine(kWin2k);
    SavedValue version(kBrowserKey, "Version");
    Start("win2k");
    auto report = [&](const std::string& browser) {
        return Report(EnglishTexts(), os, browser, "", false);
    };
    const std::string longest(79, '7');
    ASSERT_TRUE(version.Set(longest + '\0'));
    EXPECT_EQ(Text(), report(longest)) << "79 characters fit";
    ASSERT_TRUE(version.Set(std::string(80, '8') + '\0'));
    EXPECT_EQ(Text(), report("")) << "80 characters do not";
    ASSERT_TRUE(version.Set(std::string(80, '9')));
    EXPECT_EQ(Text(), report("")) << "80 bytes without a terminator";
    ASSERT_TRUE(version.Delete());
    EXPECT_EQ(Text(), report("")) << "no value";
    RemovedKey gone(kBrowserKey);
    ASSERT_TRUE(gone.removed());
    EXPECT_EQ(Text(), report("")) << "no key";
}

TEST_F(SystemInformationTest, TheChineseSetShowsTheSameReportWithItsOwnTexts) {
    // Run in a Chinese locale, as on a Chinese Windows, so that the texts compared are real.
    ASSERT_EQ(GetACP(), 936u) << "not run in a Chinese locale";
    const ReportTexts chinese = TextsOf(KeysteadPath(true));
    ASSERT_FALSE(chinese.caption.empty());
    ASSERT_NE(chinese.os, EnglishTexts().os);
    ASSERT_NE(chinese.noCsp, EnglishTexts().noCsp);
    const std::string os = ExpectedOsLine(kWinXp);

    Start("winxp", KeysteadPath(true));
    ProviderKeys keys;
    ASSERT_TRUE(keys.Add("VELQ Cryptographic Service Provider v2.0.0"));
    ASSERT_TRUE(csp_.Present(true));
    ASSERT_TRUE(driver_.Present(true));
    ShownBox shown = ClickAndRead(chinese.caption);
    EXPECT_EQ(shown.caption, chinese.caption);
    EXPECT_EQ(shown.text, Report(chinese, os, BrowserVersion(),
                                 "VELQ Cryptographic Service Provider v2.0.0", true));
    EXPECT_TRUE(shown.ownedByMain);
    EXPECT_TRUE(shown.informationIcon);

    ASSERT_TRUE(driver_.Present(false));
    RemovedKey gone(kProviders);
    ASSERT_TRUE(gone.removed());
    EXPECT_EQ(ClickAndRead(chinese.caption).text, Report(chinese, os, BrowserVersion(), "", false));
}

// After Vista, in both sets: the support report repeats the line System Information shows, with
// the system's true build; a copy of Keystead without its manifest is told what Windows tells
// such a program (6.2.9200 on 8.1 and 10), which is what the manifest is there to undo.
TEST_F(SystemInformationTest, LaterWindowsAreNamedInTheReportOfBothSetsAndTheManifestDoesIt) {
    const SavedValue release(kCurrentVersion, "DisplayVersion", KEY_WOW64_64KEY);
    ASSERT_TRUE(release.Set(std::string("22H2") + '\0'));
    const std::string dir = MakeTempDir("report");
    for (const Family& f : kFamilies) {
        if (f.platform != 2 || f.major < 6 || (f.major == 6 && f.minor == 0))
            continue;
        const std::string os = ExpectedOsLine(f);
        ASSERT_FALSE(os.empty());
        for (bool chinese : {false, true}) {
            SCOPED_TRACE(std::string(f.version) + (chinese ? " zh-CN" : " en"));
            const std::string file = dir + "\\report.txt";
            SetWindowsVersion("Keystead.exe", f.version);
            const int code =
                RunProcess("\"" + KeysteadPath(chinese) + "\" /report \"" + file + "\"", 60000);
            SetWindowsVersion("Keystead.exe", "winxp");
            ASSERT_EQ(code, 0);
            EXPECT_NE(ReadWholeFile(file).find(os.substr(0, os.size() - 1) + "\r\n"),
                      std::string::npos)
                << os;
        }
    }

    // The same program with a manifest that says nothing, as none does (Wine's UpdateResource
    // cannot take a resource away).
    const std::string bare = dir + "\\Keystead.exe";
    ASSERT_TRUE(CopyFileA(KeysteadPath().c_str(), bare.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceA(bare.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    static const char kNone[] =
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>";
    ASSERT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(kNone),
                                sizeof kNone - 1));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    for (const char* version : {"win81", "win10"}) {
        SCOPED_TRACE(version);
        Start(version, bare);
        const std::string text = Text();
        EXPECT_NE(text.find("Microsoft Windows 8 Professional   (Build 9200)\n"), std::string::npos)
            << text;
        app_.Kill();
    }
    RemoveTree(dir);
}
