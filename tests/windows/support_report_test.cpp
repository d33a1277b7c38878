// The support report and the expiry warning as bank staff and customers meet them: the report
// that "/report" writes beside a running Keystead and the one the icon menu opens in Notepad,
// read line by line in both resource sets; the warning read from the notification area and
// from what Keystead remembers in the registry.
#include "cert_stores.h"
#include "keystead_driver.h"
#include "process_memory.h"
#include "provider_registry.h"
#include "sim_rig.h"
#include "test_paths.h"
#include "tray_reader.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace keystead_test;

namespace {

const char kAnnouncedKey[] = "Software\\Keystead\\ExpiryAnnounced";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The report's lines without their indentation; false in *crlf when a line ends in a bare LF.
std::vector<std::string> Lines(const std::string& text, bool* crlf = nullptr) {
    std::vector<std::string> lines;
    if (crlf)
        *crlf = true;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        else if (crlf && end < text.size())
            *crlf = false;
        lines.push_back(line.substr(std::min(line.find_first_not_of(' '), line.size())));
        start = end + 1;
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::set<std::string> AnnouncedThumbprints(std::string* day = nullptr) {
    std::set<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kAnnouncedKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[128], data[32];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, dataLength = sizeof data;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataLength) != ERROR_SUCCESS)
            break;
        names.insert(name);
        if (day)
            *day = std::string(data, strnlen(data, sizeof data));
    }
    RegCloseKey(key);
    return names;
}

void SetAnnouncedDay(const std::string& day) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kAnnouncedKey, 0, KEY_READ | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    for (const std::string& name : AnnouncedThumbprints())
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(day.c_str()),
                       static_cast<DWORD>(day.size() + 1));
    RegCloseKey(key);
}

// The notification area's tips and balloon texts that mention this.
std::vector<std::wstring> TipsWith(const std::wstring& part) {
    std::vector<std::wstring> found;
    for (const std::wstring& tip : TrayTips())
        if (tip.find(part) != std::wstring::npos)
            found.push_back(tip);
    return found;
}

std::vector<std::wstring> WaitForTipsWith(const std::wstring& part, DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += 250) {
        std::vector<std::wstring> found = TipsWith(part);
        if (!found.empty() || waited >= timeoutMs)
            return found;
        Sleep(250);
    }
}

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        RegDeleteKeyA(HKEY_CURRENT_USER, kAnnouncedKey);
        EmptyStore("MY");
    }
    void TearDown() override {
        app_.Kill();
        RegDeleteKeyA(HKEY_CURRENT_USER, kAnnouncedKey);
    }

    // "Keystead.exe /report FILE" as staff would run it; the exit code, -1 when it hangs.
    int Report(bool chinese, const std::string& file) {
        SetEnvironmentVariableA("ZQSIM_RIG", rig_.dir().c_str());
        return RunProcess("\"" + KeysteadPath(chinese) + "\" /report \"" + file + "\"", 40000);
    }
    void CheckEverySection(bool chinese);
    std::string Exported(const std::string& serial, int index, const char* usage) {
        const std::string file = MakeTempDir("cert") + "\\cert.der";
        rig_.Ctl("export-cert " + serial + " " + std::to_string(index) + " " + usage + " \"" +
                 file + "\"");
        return ReadFileBytes(file);
    }
    std::string Text(bool chinese, UINT id) { return Trimmed(ResourceText(chinese, id)); }
    // The icon menu's Refresh, once the last scan's monitors have ended (a refresh while one
    // runs is dropped); true when it scanned.
    bool RefreshFromMenu() {
        auto scans = [&] {
            const std::vector<LogLine> log = rig_.SettledLogOf(app_.pid());
            return std::count_if(log.begin(), log.end(),
                                 [](const LogLine& l) { return l.function == "ZQ_ListAllDev"; });
        };
        const auto before = scans();
        app_.Send(WM_COMMAND, ID_TRAY_REFRESH);
        return scans() > before;
    }

    TestRig rig_;
    KeysteadRun app_;
};

// Every section of the report, beside a running Keystead that registered the certificates;
// the same labels in each set, the values as the machine, the library and the tokens have them.
void ReportTest::CheckEverySection(bool chinese) {
    TestRig& rig = rig_;
    KeysteadRun& app = app_;
    auto text = [&](UINT id) { return Text(chinese, id); };
    ASSERT_EQ(rig.Ctl("create R1 --changed --pin 739146 --attempts 5 --dac 1 "
                      "--container Ellen:both --expires 10 --root"),
              0);
    ASSERT_EQ(rig.Ctl("create R2 --changed --container Bob:both --root"), 0);
    ASSERT_EQ(rig.Ctl("create R3 --changed"), 0);
    // The machine names R2's root and no other.
    const BankRootList bankRoots({Thumbprint(Exported("R2", 1, "sign"))});
    ScopedProvider provider(kVelqProvider, "VELQ_CSP.dll");
    ASSERT_TRUE(provider.ok());
    ASSERT_TRUE(app.Start(rig.dir(), KeysteadPath(chinese)));
    // The installation check as System Information shows it, for the report to repeat.
    PostMessageA(app.main(), WM_COMMAND, MAKEWPARAM(IDC_SYSTEM_INFO, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app.main(), IDC_SYSTEM_INFO)));
    HWND box = app.WaitForDialog(ResourceText(chinese, IDS_SYSTEM_INFORMATION));
    ASSERT_NE(box, nullptr);
    const std::vector<std::string> shown = Lines(MessageBoxText(box));
    AnswerAndWaitGone(box, IDOK);
    // R2 starts as a factory token now, which Keystead's scan did not see; the report asks.
    ASSERT_EQ(rig.Ctl("set R2 default=1"), 0);
    // The report process's third token fails to open: its own failure, in its own ring.
    ASSERT_EQ(rig.Ctl("fault ZQ_OpenDev nth=3 status=7"), 0);

    const std::string file = MakeTempDir("report") + "\\report.txt";
    ASSERT_EQ(Report(chinese, file), 0);
    bool crlf = false;
    const std::vector<std::string> lines = Lines(ReadText(file), &crlf);
    EXPECT_TRUE(crlf) << "Notepad on every family needs CR LF";

    std::string sysdir(MAX_PATH, '\0');
    sysdir.resize(GetSystemDirectoryA(&sysdir[0], MAX_PATH));
    const std::string ellenExch = Exported("R1", 0, "exch"), root = Exported("R2", 1, "sign");
    char failed[128];
    std::snprintf(failed, sizeof failed, ResourceText(chinese, IDS_REPORT_PASSED_OVER).c_str(),
                  "ZQ_OpenDev", 7);
    const struct {
        const char* what;
        std::string line;
    } expected[] = {
        {"title", text(IDS_REPORT_TITLE)},
        {"version", text(IDS_REPORT_VERSION) + (chinese ? " 1.1.0.2" : " 1.2.0.2")},
        {"installation check", text(IDS_SYSTEM_INFORMATION)},
        {"provider", text(IDS_REPORT_PROVIDER_VALUES) + " " + kVelqProvider},
        {"image path", "Image Path: VELQ_CSP.dll"},
        {"provider type", "Type: 1"},
        {"provider file", text(IDS_REPORT_PROVIDER_FILE) + " " + sysdir + "\\VELQ_CSP.dll, " +
                              text(IDS_REPORT_ABSENT)},
        {"library complete", text(IDS_REPORT_MISSING_FUNCTIONS) + " " + text(IDS_REPORT_NONE)},
        {"notifications", text(IDS_REPORT_NOTIFICATIONS) + " " + text(IDS_REPORT_NO_WINDOW)},
        {"tokens", text(IDS_REPORT_TOKENS) + " 3"},
        {"tree label", "USB_Key_1"},
        {"device name", text(IDS_REPORT_DEVICE_NAME) + " \\\\.\\VELQUKEY_R1"},
        {"serial", text(IDS_REPORT_SERIAL) + " R1"},
        {"attempts", text(IDS_REPORT_ATTEMPTS) + " 5"},
        {"changed PIN", text(IDS_REPORT_FACTORY_PIN) + " " + text(IDS_REPORT_NO)},
        {"factory PIN", text(IDS_REPORT_FACTORY_PIN) + " " + text(IDS_REPORT_YES)},
        {"card binding",
         text(IDS_REPORT_DYNAMIC_CODE) + " 1 (" + text(IDS_REPORT_DAC_NOT_OFFERED) + ")"},
        {"container", text(IDS_REPORT_CONTAINER) + " Ellen"},
        {"certificate kind", text(IDS_ENCRYPTION_CERT)},
        {"subject", text(IDS_REPORT_SUBJECT) + " R1 Ellen encryption"},
        {"issuer", text(IDS_REPORT_ISSUER) + " R1 Ellen encryption"},
        {"days left", text(IDS_REPORT_DAYS_LEFT) + " 10"},
        {"thumbprint", text(IDS_REPORT_THUMBPRINT) + " " + Thumbprint(ellenExch)},
        {"registered", text(IDS_REPORT_MY) + " " + text(IDS_REPORT_HELD_RIGHTLY)},
        {"root", text(IDS_REPORT_ROOT_CERT)},
        {"root thumbprint", text(IDS_REPORT_THUMBPRINT) + " " + Thumbprint(root)},
        {"root in ROOT", text(IDS_REPORT_ROOT_STORE) + " " + text(IDS_REPORT_HELD)},
        {"root named", text(IDS_REPORT_ROOT_TRUST) + " " + text(IDS_REPORT_ROOT_LISTED)},
        {"root not named", text(IDS_REPORT_ROOT_TRUST) + " " + text(IDS_REPORT_ROOT_NOT_LISTED)},
        {"root left out", text(IDS_REPORT_ROOT_STORE) + " " + text(IDS_REPORT_NOT_HELD)},
        {"token not read", failed},
        {"failures", text(IDS_REPORT_FAILURES) + " 1"},
    };
    for (const auto& row : expected)
        EXPECT_TRUE(Has(lines, row.line)) << row.what << ": no line \"" << row.line << "\"";
    for (const std::string& line : shown) {
        if (!line.empty()) {
            EXPECT_TRUE(Has(lines, line)) << "System Information's line \"" << line << "\"";
        }
    }
    const bool failureLine = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("  ZQ_OpenDev  7 (0x00000007)") != std::string::npos;
    });
    EXPECT_TRUE(failureLine);
    const bool libraryLine = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind(text(IDS_REPORT_LIBRARY) + " ", 0) == 0 &&
               l.find("\\ZQCSP.dll") != std::string::npos;
    });
    EXPECT_TRUE(libraryLine);
    // Only questions went to the tokens: no change, no PIN, and every bracket closed.
    std::set<std::string> asked;
    for (const LogLine& line : rig.Log())
        if (line.pid != app.pid())
            asked.insert(line.function);
    EXPECT_EQ(asked, (std::set<std::string>{"LockUKey", "UnlockUKey", "ZQ_ListAllDev", "ZQ_OpenDev",
                                            "ZQ_CloseDev", "ZQPro_GetSn", "ZQpro_GetPinTime",
                                            "ZQ_IsDefaultPin", "ZQpro_IsSupportDynamicCode",
                                            "ZQ_TokenListContainer", "ZQ_TokenGetCertSize",
                                            "ZQ_TokenGetCert"}));
    EXPECT_EQ(BracketFault(rig.Log()), "");
}

} // namespace

TEST_F(ReportTest, EverySectionBesideARunningKeystead) {
    CheckEverySection(false);
}

TEST_F(ReportTest, EverySectionInChinese) {
    CheckEverySection(true);
}

// Standard output as a console or a pipe gets it, and a lock another program holds on makes a
// report that says so rather than one that never comes.
TEST_F(ReportTest, WritesToStandardOutputAndDoesNotWaitForeverForTheLock) {
    ASSERT_EQ(rig_.Ctl("create S1 --changed --container Sam:both"), 0);
    const std::string dir = MakeTempDir("stdout"), out = dir + "\\out.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    KeysteadRun report;
    report.RedirectOutput(file);
    report.SetArguments("/report");
    ASSERT_TRUE(report.Launch(rig_.dir()));
    DWORD code = 99;
    ASSERT_TRUE(report.WaitExit(30000, &code));
    CloseHandle(file);
    EXPECT_EQ(code, 0u);
    const std::vector<std::string> lines = Lines(ReadText(out));
    EXPECT_TRUE(Has(lines, "Keystead support report"));
    EXPECT_TRUE(Has(lines, "Serial: S1"));
    // Nothing after the report: the installation check's edition word stays out of it.
    EXPECT_EQ(lines.back(), "Token library failures of this process (last 50): 0");

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION holder = {};
    std::string hold =
        "\"" + BinDir() + "\\zqsimctl.exe\" --rig \"" + rig_.dir() + "\" hold-lock 40000";
    ASSERT_TRUE(CreateProcessA(nullptr, &hold[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                               &holder));
    Sleep(1000);
    const std::string held = dir + "\\held.txt";
    const DWORD start = GetTickCount();
    EXPECT_EQ(Report(false, held), 0);
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_TRUE(Has(Lines(ReadText(held)),
                    "Tokens: not read: the token lock stayed held by another program"));
    TerminateProcess(holder.hProcess, 0);
    CloseHandle(holder.hThread);
    CloseHandle(holder.hProcess);
}

// The menu's report is the running instance's own: its registration, its ring of failures;
// and after a PIN was typed in it, neither the report nor Keystead's memory holds that PIN.
TEST_F(ReportTest, TheMenuReportIsTheRunningInstancesAndHoldsNoPin) {
    ASSERT_EQ(rig_.Ctl("create M1 --changed --pin 739146 --container Mia:both"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    app_.Select(app_.Tree()[0].handle);
    PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(IDC_CHANGE_PIN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), IDC_CHANGE_PIN)));
    HWND dialog = app_.WaitForDialog("Change PIN");
    ASSERT_NE(dialog, nullptr);
    TypeKeys(GetDlgItem(dialog, IDC_OLD_PIN), "739146");
    TypeKeys(GetDlgItem(dialog, IDC_NEW_PIN), "582604");
    TypeKeys(GetDlgItem(dialog, IDC_CONFIRM_PIN), "582604");
    AnswerDialog(dialog, IDOK);
    HWND box = app_.WaitForDialog("Prompt");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Change PIN successful!");
    AnswerAndWaitGone(box, IDOK);
    // Failures of the running instance only, which its ring keeps: the same one over two
    // scans is one entry, counted.
    ASSERT_EQ(rig_.Ctl("fault ZQ_TokenGetCertSize status=9"), 0);
    for (int scan = 0; scan < 2; ++scan)
        ASSERT_TRUE(RefreshFromMenu());
    ASSERT_EQ(rig_.Ctl("faults-clear"), 0);
    int failed = 0;
    for (const LogLine& line : rig_.LogOf(app_.pid()))
        failed += line.function == "ZQ_TokenGetCertSize" && line.result == 9 ? 1 : 0;
    ASSERT_GE(failed, 4) << "two scans of two certificates each";

    char documents[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    std::set<HWND> before;
    for (HWND w = FindWindowA("Notepad", nullptr); w;
         w = FindWindowExA(nullptr, w, "Notepad", nullptr))
        before.insert(w);
    PostMessageA(app_.main(), WM_COMMAND, ID_TRAY_REPORT, 0);
    HWND notepad = nullptr;
    for (int i = 0; i < 100 && !notepad; ++i, Sleep(100))
        for (HWND w = FindWindowA("Notepad", nullptr); w && !notepad;
             w = FindWindowExA(nullptr, w, "Notepad", nullptr))
            if (!before.count(w))
                notepad = w;
    ASSERT_NE(notepad, nullptr) << "Notepad shows the report";
    const std::string title = WindowText(notepad);
    PostMessageA(notepad, WM_CLOSE, 0, 0);
    const std::size_t named = title.find("Keystead report ");
    ASSERT_NE(named, std::string::npos) << title;
    std::string name = title.substr(named);
    name = name.substr(0, name.find(".txt") + 4);
    const std::string report = ReadText(std::string(documents) + "\\" + name);
    const std::vector<std::string> lines = Lines(report);
    EXPECT_TRUE(Has(lines, "Device notifications: registered"));
    EXPECT_TRUE(Has(lines, "Token library failures of this process (last 50): 1"));
    EXPECT_NE(
        report.find("ZQ_TokenGetCertSize  9 (0x00000009)  x" + std::to_string(failed) + "\r\n"),
        std::string::npos)
        << report;
    for (const char* pin : {"739146", "582604"}) {
        EXPECT_EQ(report.find(pin), std::string::npos) << pin;
        EXPECT_EQ(CountInProcessMemory(app_.pid(), pin), 0) << pin;
    }
    // A report of its own process knows nothing of the running instance's failures.
    const std::string own = MakeTempDir("own") + "\\own.txt";
    ASSERT_EQ(Report(false, own), 0);
    EXPECT_TRUE(Has(Lines(ReadText(own)), "Token library failures of this process (last 50): 0"));
}

// Certificates that expired, expire in 10 days and in 100: the first two are announced by a
// balloon after the scan, once a day each; another day announces them again.
TEST_F(ReportTest, ExpiringCertificatesAreAnnouncedOnceADay) {
    ASSERT_EQ(rig_.Ctl("create X1 --changed --container Old:both --expires -3"), 0);
    ASSERT_EQ(rig_.Ctl("create X2 --changed --container Soon:both --expires 10"), 0);
    ASSERT_EQ(rig_.Ctl("create X3 --changed --container Later:both --expires 100"), 0);
    // A name from a token that would put lines of its own into the balloon.
    ASSERT_EQ(rig_.Ctl("create X4 --changed --container \"Two\r\nLines\x07:exch\" --expires 10"),
              0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    const std::vector<std::wstring> balloon = WaitForTipsWith(L"X2 Soon", 10000);
    ASSERT_EQ(balloon.size(), 1u) << "one balloon names them all";
    const std::wstring& says = balloon[0];
    EXPECT_NE(says.find(L"X1 Old encryption: expired on "), std::wstring::npos);
    EXPECT_NE(says.find(L"X1 Old signature: expired on "), std::wstring::npos);
    EXPECT_NE(says.find(L"X2 Soon encryption: expires in 10 days ("), std::wstring::npos);
    EXPECT_EQ(says.find(L"X3"), std::wstring::npos) << "100 days away is not due";
    EXPECT_NE(says.find(L"X4 Two??Lines? encryption: expires in 10 days ("), std::wstring::npos)
        << "one line for one certificate";
    EXPECT_EQ(says.find(L'\r'), std::wstring::npos);
    std::string day;
    const std::set<std::string> announced = AnnouncedThumbprints(&day);
    EXPECT_EQ(announced, (std::set<std::string>{Thumbprint(Exported("X1", 0, "exch")),
                                                Thumbprint(Exported("X1", 0, "sign")),
                                                Thumbprint(Exported("X2", 0, "exch")),
                                                Thumbprint(Exported("X2", 0, "sign")),
                                                Thumbprint(Exported("X4", 0, "exch"))}));
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    std::snprintf(today, sizeof today, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(day, today);

    // The shell forgets the balloon; a rescan the same day brings no new one.
    NOTIFYICONDATAA quiet = {};
    quiet.cbSize = offsetof(NOTIFYICONDATAA, guidItem);
    quiet.hWnd = app_.main();
    quiet.uID = IDI_KEYSTEAD;
    quiet.uFlags = NIF_INFO;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &quiet));
    ASSERT_TRUE(RefreshFromMenu());
    EXPECT_TRUE(WaitForTipsWith(L"X2 Soon", 4000).empty()) << "announced twice on one day";
    // On another day they are due again.
    SetAnnouncedDay("20000101");
    ASSERT_TRUE(RefreshFromMenu());
    EXPECT_EQ(WaitForTipsWith(L"X1 Old", 10000).size(), 1u);
}

// Shells without balloons (shell32 before 5.0, no DllGetVersion): the icon's tip names it.
TEST_F(ReportTest, OlderShellsNameTheCertificateInTheTip) {
    ASSERT_EQ(rig_.Ctl("create X2 --changed --container Soon:exch --expires 10"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir(), TestBinDir() + "\\absent\\Keystead.exe"));
    const std::vector<std::wstring> tip = WaitForTipsWith(L"Keystead: X2 Soon encryption", 10000);
    ASSERT_EQ(tip.size(), 1u);
    EXPECT_LT(tip[0].size(), 64u) << "the first shells keep 63 characters";
}
