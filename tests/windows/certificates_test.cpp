// Certificates reach the user's real stores: what a scan registers and removes, the three
// commands, read back from the stores in this separate process.
#include "cert_stores.h"
#include "certificates/cert_registration.h"
#include "keystead_driver.h"
#include "process_figures.h"
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

using namespace keystead_test;

namespace {

const wchar_t kVelq[] = L"VELQ Cryptographic Service Provider v2.0.0";
const wchar_t kBase[] = L"Microsoft Base Cryptographic Provider v1.0";
const int kRefresh = IDC_REFRESH, kViewCert = IDC_VIEW_CERT, kRegister = IDC_REGISTER_CERT,
          kUnregister = IDC_UNREGISTER_CERT;

class CertificatesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowsVersion("Keystead.exe", "winxp");
        EmptyStore("MY");
    }
    void TearDown() override {
        app_.Kill();
        EmptyStore("MY");
    }
    std::string Exported(const std::string& serial, int container, const char* kind) {
        const std::string path = rig_.dir() + "\\export.der";
        EXPECT_EQ(rig_.Ctl("export-cert " + serial + " " + std::to_string(container) + " " + kind +
                           " \"" + path + "\""),
                  0);
        return ReadFileBytes(path);
    }
    HTREEITEM Item(int token, int container, int cert) {
        int t = -1, c = -1, k = -1;
        for (const TreeItem& item : app_.Tree()) {
            if (item.depth == 0) {
                ++t;
                c = k = -1;
            } else if (item.depth == 1) {
                ++c;
                k = -1;
            } else {
                ++k;
            }
            if (t == token && c == container && k == cert)
                return item.handle;
        }
        return nullptr;
    }
    // Clicks a command button and returns the text of the box it shows, answering it.
    std::string ClickAndRead(int button) {
        PostMessageA(app_.main(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app_.main(), button)));
        HWND box = app_.WaitForDialog("Prompt");
        if (!box)
            return "<no box>";
        const std::string text = MessageBoxText(box);
        AnswerDialog(box, IDOK);
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(20);
        return text;
    }

    TestRig rig_;
    KeysteadRun app_;
};

} // namespace

TEST_F(CertificatesTest, EveryScanPutsTheTokensCertificatesInTheirStoresAndTouchesNothingElse) {
    // Unrelated certificates already in "MY": real CA certificates of every size, without key
    // information, under another provider, and under the token's provider spelt in other case.
    std::vector<std::string> cas = DebianCaCertificates();
    ASSERT_GE(cas.size(), 100u);
    for (std::size_t i = 0; i < cas.size(); ++i) {
        const wchar_t* provider = i % 3 == 0   ? nullptr
                                  : i % 3 == 1 ? L"Microsoft Enhanced Cryptographic Provider v1.0"
                                               : L"velq Cryptographic Service Provider v2.0.0";
        ASSERT_TRUE(AddToStore("MY", cas[i], provider));
    }
    const auto unrelated = ReadStore("MY");

    ASSERT_EQ(rig_.Ctl("create T1 --changed --slot 1 --root --container Alice:both "
                       "--container zrb_OnLineBank_Root_Cert:sign"),
              0);
    ASSERT_EQ(rig_.Ctl("create T2 --changed --slot 2 --pad 5000 --container Bob:exch"), 0);
    const std::string aliceExch = Exported("T1", 0, "exch"), aliceSign = Exported("T1", 0, "sign");
    const std::string lookalike = Exported("T1", 1, "sign"), root = Exported("T1", 2, "sign");
    const std::string bob = Exported("T2", 0, "exch");
    ASSERT_GT(bob.size(), 4096u) << "a certificate larger than a record was first meant for";
    const BankRootList bankRoots({Thumbprint(root)});

    ASSERT_TRUE(app_.Start(rig_.dir()));
    for (int scan = 0; scan < 2; ++scan) {
        SCOPED_TRACE(scan == 0 ? "first scan" : "after Refresh");
        auto my = ReadStore("MY");
        EXPECT_EQ(my.size(), unrelated.size() + 4);
        struct {
            const std::string* der;
            const wchar_t* container;
            DWORD keySpec;
        } expected[] = {{&aliceExch, L"Alice", AT_KEYEXCHANGE},
                        {&aliceSign, L"Alice", AT_SIGNATURE},
                        {&lookalike, L"zrb_OnLineBank_Root_Cert", AT_SIGNATURE},
                        {&bob, L"Bob", AT_KEYEXCHANGE}};
        for (const auto& e : expected) {
            ASSERT_EQ(my.count(*e.der), 1u)
                << std::string(e.container, e.container + wcslen(e.container));
            const StoredCert& s = my[*e.der];
            EXPECT_TRUE(s.hasKeyInfo);
            EXPECT_EQ(s.container, e.container);
            EXPECT_EQ(s.provider, kVelq);
            EXPECT_EQ(s.provType, static_cast<DWORD>(PROV_RSA_FULL));
            EXPECT_EQ(s.keySpec, e.keySpec);
        }
        for (const auto& entry : unrelated) {
            ASSERT_EQ(my.count(entry.first), 1u) << "an unrelated certificate went missing";
            EXPECT_EQ(my[entry.first].provider, entry.second.provider);
            EXPECT_EQ(my[entry.first].hasKeyInfo, entry.second.hasKeyInfo);
        }
        auto trusted = ReadStore("ROOT");
        ASSERT_EQ(trusted.count(root), 1u) << "the bank's root certificate is not trusted";
        EXPECT_EQ(trusted[root].provider, kBase);
        EXPECT_EQ(trusted[root].container, L"ZRB_OnLineBank_Root_Cert");
        EXPECT_EQ(my.count(root), 0u);
        app_.Click(kRefresh);
    }

    // A pulled token's certificates leave "MY" at the next scan; nothing else does.
    ASSERT_EQ(rig_.Ctl("pull T2"), 0);
    app_.Click(kRefresh);
    auto my = ReadStore("MY");
    EXPECT_EQ(my.count(bob), 0u);
    EXPECT_EQ(my.count(aliceSign), 1u);
    EXPECT_EQ(my.size(), unrelated.size() + 3);
}

// Whatever a token's root container holds, only a self-signed CA certificate that the machine's
// bank-root list names becomes a root of the user's account: no list, an empty one or one that
// names others trusts none. Keystead records each root it added, and only those.
TEST_F(CertificatesTest, OnlyASelfSignedCaTheMachineNamesBecomesARootAndIsRecorded) {
    const char kAdded[] = "Software\\Keystead\\AddedRoots";
    const struct {
        const char* create;
        const char* machineNames; // nullptr: no list; "": an empty one; "own": this root
        bool trusted;
    } rows[] = {
        {"--root", nullptr, false},
        {"--root", "", false},
        {"--root", "0000000000000000000000000000000000000000", false},
        {"--root", "own", true},
        {"--container ZRB_OnLineBank_Root_Cert:sign", "own", false}, // self-signed, not a CA
        {"--root-issued", "own", false},                             // a CA, issued by another
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string serial = "RT" + std::to_string(++n);
        SCOPED_TRACE(std::string(row.create) + " / " +
                     (row.machineNames ? row.machineNames : "no list"));
        RegDeleteKeyA(HKEY_CURRENT_USER, kAdded);
        if (n > 1) { // one token at a time
            ASSERT_EQ(rig_.Ctl("remove RT" + std::to_string(n - 1)), 0);
        }
        // The root container comes second, after an ordinary one.
        ASSERT_EQ(rig_.Ctl("create " + serial + " --changed --container Ann:sign " + row.create),
                  0);
        const std::string root = Exported(serial, 1, "sign");
        const std::string thumbprint = Thumbprint(root);
        std::vector<std::string> named;
        if (row.machineNames && *row.machineNames)
            named.push_back(std::string(row.machineNames) == "own" ? thumbprint : row.machineNames);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Keystead\\Roots");
        std::optional<BankRootList> list;
        if (row.machineNames)
            list.emplace(named);
        ASSERT_TRUE(app_.Start(rig_.dir()));
        rig_.SettledLogOf(app_.pid());
        EXPECT_EQ(ReadStore("ROOT").count(root), row.trusted ? 1u : 0u);
        HKEY added = nullptr;
        const bool recorded =
            RegOpenKeyExA(HKEY_CURRENT_USER, kAdded, 0, KEY_QUERY_VALUE, &added) == ERROR_SUCCESS &&
            RegQueryValueExA(added, thumbprint.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS;
        if (added)
            RegCloseKey(added);
        EXPECT_EQ(recorded, row.trusted);
        app_.Kill();
        RemoveFromStore("ROOT", root);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kAdded);
}

TEST_F(CertificatesTest, TwentyScansLeaveKeysteadHoldingWhatOneScanLeft) {
    // Every scan removes and registers the certificates again and starts a monitor per token:
    // nothing of that may stay behind in a program that rescans for months.
    ASSERT_EQ(rig_.Ctl("create L1 --changed --slot 1 --container Ann:both"), 0);
    ASSERT_EQ(rig_.Ctl("create L2 --changed --slot 2 --container Ben:sign"), 0);
    ASSERT_TRUE(app_.Start(rig_.dir()));
    auto settled = [&] {
        app_.Click(kRefresh);
        rig_.SettledLogOf(app_.pid());
        Sleep(300); // the monitors' threads end after their last call
        return SampleProcess(app_.process(), app_.pid());
    };
    const ProcessFigures one = settled();
    ProcessFigures twenty;
    for (int scan = 0; scan < 20; ++scan)
        twenty = settled();
    ASSERT_GT(one.handles, 0) << "the handle list could not be read";
    // A lock's event is made at its first contention, which may come at any scan; a leak shows
    // at every scan.
    EXPECT_LE(twenty.handles - one.handles, 1);
    EXPECT_EQ(twenty.threads, one.threads);
    EXPECT_EQ(twenty.gdiObjects, one.gdiObjects);
    EXPECT_EQ(twenty.userObjects, one.userObjects);
    EXPECT_EQ(ReadStore("MY").size(), 3u);
}

TEST_F(CertificatesTest, RegisterAndUnregisterCommandsReportWhatTheStoreDid) {
    ASSERT_EQ(rig_.Ctl("create R1 --changed --container Carol:both"), 0);
    const std::string junk = rig_.dir() + "\\junk.der";
    std::ofstream(junk, std::ios::binary) << std::string(300, '\x07');
    ASSERT_EQ(rig_.Ctl("add-cert R1 Junk sign \"" + junk + "\""), 0);
    const std::string carolExch = Exported("R1", 0, "exch");
    const std::string carolSign = Exported("R1", 0, "sign");
    ASSERT_TRUE(app_.Start(rig_.dir()));

    // Carol's signature certificate is already there; registering it again still succeeds.
    ASSERT_TRUE(app_.Select(Item(0, 0, 1)));
    EXPECT_EQ(ClickAndRead(kRegister), "Register certificate successful.");
    EXPECT_EQ(ReadStore("MY")[carolSign].keySpec, static_cast<DWORD>(AT_SIGNATURE));

    ASSERT_TRUE(app_.Select(Item(0, 1, 0)));
    EXPECT_EQ(ClickAndRead(kRegister), "Register certificate failed.") << "not a certificate";

    ASSERT_TRUE(app_.Select(Item(0, 0, 1)));
    EXPECT_EQ(ClickAndRead(kUnregister), "Unregister certificate successful.");
    EXPECT_EQ(ReadStore("MY").count(carolSign), 0u);
    EXPECT_EQ(ClickAndRead(kUnregister), "Unregister certificate failed.") << "nothing left";

    // By its bytes, whatever provider the copy in the store names.
    ASSERT_TRUE(AddToStore("MY", carolExch, L"Some Other Provider"));
    ASSERT_TRUE(app_.Select(Item(0, 0, 0)));
    EXPECT_EQ(ClickAndRead(kUnregister), "Unregister certificate successful.");
    EXPECT_EQ(ReadStore("MY").count(carolExch), 0u);

    // The next scan registers both again: they are still on the token.
    app_.Click(kRefresh);
    EXPECT_EQ(ReadStore("MY").size(), 2u);
}

TEST_F(CertificatesTest, RegistrationAndRemovalFollowTheirRulesWhenCalledDirectly) {
    ASSERT_EQ(rig_.Ctl("create U1 --changed --container Dave:both"), 0);
    const std::string sign = Exported("U1", 0, "sign");
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(sign.data());
    const std::int32_t length = static_cast<std::int32_t>(sign.size());

    EXPECT_EQ(RegisterCertificate("Dave", bytes, length, 2), kRegistered);
    EXPECT_EQ(ReadStore("MY")[sign].keySpec, static_cast<DWORD>(AT_SIGNATURE))
        << "only usage 1 means the exchange key";
    EXPECT_EQ(UnregisterCertificates(bytes, length), 1);
    EXPECT_EQ(RegisterCertificate("Dave", bytes, length, 1), kRegistered);
    EXPECT_EQ(ReadStore("MY")[sign].keySpec, static_cast<DWORD>(AT_KEYEXCHANGE));
    EXPECT_EQ(UnregisterCertificates(bytes, length), 1);
    const unsigned char garbage[3] = {1, 2, 3};
    EXPECT_EQ(RegisterCertificate("Dave", garbage, 3, 0), kNotACertificate);

    // A pointer with length 0 chooses the by-encoding mode and matches nothing.
    ASSERT_EQ(RegisterCertificate("Dave", bytes, length, 0), kRegistered);
    EXPECT_EQ(UnregisterCertificates(bytes, 0), 0);
    EXPECT_EQ(ReadStore("MY").count(sign), 1u);
    // A provider name differing only in case is not the token's.
    const std::string exch = Exported("U1", 0, "exch");
    ASSERT_TRUE(AddToStore("MY", exch, L"VELQ CRYPTOGRAPHIC SERVICE PROVIDER V2.0.0"));
    EXPECT_EQ(UnregisterCertificates(nullptr, 0), 1);
    EXPECT_EQ(ReadStore("MY").count(sign), 0u);
    EXPECT_EQ(ReadStore("MY").count(exch), 1u) << "matched although its provider differs";
    EXPECT_EQ(UnregisterCertificates(nullptr, 0), 0);
}

namespace {

std::string WaitForFile(const std::string& path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        std::string text = ReadFileBytes(path);
        if (text.find("ended") != std::string::npos)
            return text;
        Sleep(50);
    }
    return ReadFileBytes(path);
}

} // namespace

TEST_F(CertificatesTest, ViewWritesExactlyTheCertificateAndHandsItToTheShell) {
    ASSERT_EQ(rig_.Ctl("create V1 --changed --container Erin:both --pad 4500"), 0);
    const std::string exch = Exported("V1", 0, "exch"), sign = Exported("V1", 0, "sign");
    const std::string viewer = MakeTempDir("viewer");
    ASSERT_TRUE(CopyFileA((TestBinDir() + "\\setup_standin.exe").c_str(),
                          (viewer + "\\viewer.exe").c_str(), FALSE));
    AssociateCer("\"" + viewer + "\\viewer.exe\" \"%1\" %*");
    ASSERT_TRUE(app_.Start(rig_.dir()));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "\\ZQCertTemp.cer";

    HTREEITEM first = Item(0, 0, 0), second = Item(0, 0, 1);
    ASSERT_TRUE(first && second) << app_.TreeText();
    ASSERT_TRUE(app_.Select(first));
    app_.Click(kViewCert);
    EXPECT_EQ(ReadFileBytes(file), exch);
    const std::string record = WaitForFile(viewer + "\\record.txt", 10000);
    // The shell passes the file as a full path (it folds the doubled backslash) and then the
    // parameter text.
    EXPECT_NE(record.find("args=\"" + std::string(temp) +
                          "ZQCertTemp.cer\" rundll32.exe cryptext.dll,CryptExtOpenCER"),
              std::string::npos)
        << record;
    EXPECT_NE(record.find("show=1"), std::string::npos) << record;

    ASSERT_TRUE(app_.Select(second));
    app_.Click(kViewCert);
    EXPECT_EQ(ReadFileBytes(file), sign) << "the second view leaves only its own bytes";
    ForgetCer();
    RemoveTree(viewer);
}

TEST_F(CertificatesTest, ATemporaryFolderPathTooLongForTheBufferMeansNoView) {
    ASSERT_EQ(rig_.Ctl("create V3 --changed --container Gina:sign"), 0);
    std::string longTemp = MakeTempDir("t");
    while (longTemp.size() < 245)
        longTemp += "\\deeper_folder";
    std::filesystem::create_directories(longTemp);
    const std::string viewer = MakeTempDir("viewer");
    ASSERT_TRUE(CopyFileA((TestBinDir() + "\\setup_standin.exe").c_str(),
                          (viewer + "\\viewer.exe").c_str(), FALSE));
    AssociateCer("\"" + viewer + "\\viewer.exe\" \"%1\" %*");
    SetEnvironmentVariableA("TMP", longTemp.c_str());
    SetEnvironmentVariableA("TEMP", longTemp.c_str());
    const bool started = app_.Start(rig_.dir());
    SetEnvironmentVariableA("TMP", nullptr);
    SetEnvironmentVariableA("TEMP", nullptr);
    ASSERT_TRUE(started);
    ASSERT_TRUE(app_.Select(Item(0, 0, 0)));
    app_.Click(kViewCert);
    Sleep(1500);
    EXPECT_EQ(GetFileAttributesA((longTemp + "\\ZQCertTemp.cer").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(viewer + "\\record.txt"), "") << "no viewer may start";
    ForgetCer();
    RemoveTree(viewer);
}
