// The stand-in library as Keystead will meet it: tokens made by the control program with real
// certificates, plugged and pulled from another process, every call in the log but no PIN.
#include "sim_rig.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::int32_t (*OpenDevFn)(const char*, std::int32_t, std::uint32_t*);
typedef std::int32_t (*HandleFn)(std::uint32_t);
typedef std::int32_t (*ListAllDevFn)(char*, std::uint32_t*, std::uint32_t*);
typedef std::int32_t (*ListContainerFn)(std::uint32_t, std::int32_t, char*, unsigned char*);
typedef std::int32_t (*CertSizeFn)(std::uint32_t, const unsigned char*, std::int32_t,
                                   std::uint32_t*);
typedef std::int32_t (*CertFn)(std::uint32_t, const unsigned char*, std::int32_t, unsigned char*,
                               std::uint32_t);
typedef std::int32_t (*VerifyFn)(std::uint32_t, const char*, std::int32_t);
typedef std::int32_t (*VoidFn)();

template <typename F> F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int RunCtl(const std::string& rig, const std::string& args) {
    return keystead_test::RunProcess("\"" + keystead_test::BinDir() + "\\zqsimctl.exe\" --rig \"" +
                                     rig + "\" " + args);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Devices(ListAllDevFn list) {
    std::uint32_t size = 0, count = 0;
    if (list(nullptr, &size, &count) != 0)
        return {};
    std::vector<char> buffer(size + 1);
    if (list(buffer.data(), &size, &count) != 0)
        return {};
    std::vector<std::string> names;
    for (const char* p = buffer.data(); names.size() < count; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

} // namespace

TEST(SimLibrary, TokensOfTheControlProgramServeRealCertificatesAndFollowPlugAndPull) {
    const std::string rig = keystead_test::MakeTempDir("simrig");
    ASSERT_EQ(RunCtl(rig, "create A1 --slot 1 --pin 135246 --container \"Zhang San:both\""), 0);
    ASSERT_EQ(RunCtl(rig, "create B2 --slot 2 --root"), 0);
    ASSERT_EQ(RunCtl(rig, "export-cert A1 0 exch \"" + rig + "\\exch.der\""), 0);

    SetEnvironmentVariableA("ZQSIM_RIG", rig.c_str());
    HMODULE lib = LoadLibraryA((keystead_test::BinDir() + "\\ZQCSP.dll").c_str());
    ASSERT_NE(lib, nullptr);
    auto list = Entry<ListAllDevFn>(lib, "ZQ_ListAllDev");
    auto open = Entry<OpenDevFn>(lib, "ZQ_OpenDev");
    auto close = Entry<HandleFn>(lib, "ZQ_CloseDev");
    auto containers = Entry<ListContainerFn>(lib, "ZQ_TokenListContainer");
    auto certSize = Entry<CertSizeFn>(lib, "ZQ_TokenGetCertSize");
    auto cert = Entry<CertFn>(lib, "ZQ_TokenGetCert");
    auto verify = Entry<VerifyFn>(lib, "ZQ_ToKenVerifyUser");
    auto lock = Entry<VoidFn>(lib, "LockUKey");
    auto unlock = Entry<VoidFn>(lib, "UnlockUKey");

    lock();
    std::vector<std::string> names = Devices(list);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "\\\\.\\VELQUKEY_A1");

    std::uint32_t h = 0;
    ASSERT_EQ(open(names[0].c_str(), static_cast<std::int32_t>(names[0].size()), &h), 0);
    char name[128];
    unsigned char info[820];
    ASSERT_EQ(containers(h, 1, name, info), 0);
    EXPECT_STREQ(name, "Zhang San");
    std::int32_t idLength = 0;
    memcpy(&idLength, info + 408 + 128, 4);
    std::uint32_t size = 0;
    ASSERT_EQ(certSize(h, info + 408, idLength, &size), 0);
    std::vector<unsigned char> der(size);
    ASSERT_EQ(cert(h, info + 408, idLength, der.data(), size), 0);
    EXPECT_EQ(std::string(der.begin(), der.end()), ReadAll(rig + "\\exch.der"));
    EXPECT_EQ(der[0], 0x30) << "a DER certificate starts with a SEQUENCE";
    EXPECT_EQ(containers(h, 0, name, info), 3);
    EXPECT_EQ(verify(h, "135246", 6), 0);
    EXPECT_EQ(verify(h, "999999", 6), 0x63C5);
    EXPECT_EQ(close(h), 0);
    unlock();

    ASSERT_EQ(RunCtl(rig, "pull A1"), 0);
    names = Devices(list);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "\\\\.\\VELQUKEY_B2");
    ASSERT_EQ(RunCtl(rig, "plug A1"), 0);
    EXPECT_EQ(Devices(list).size(), 2u);
    FreeLibrary(lib);

    // Every call is logged with its thread, result and lock depth, and no PIN ever appears.
    const std::string log = ReadAll(rig + "\\calls.log");
    EXPECT_EQ(log.find("135246"), std::string::npos);
    EXPECT_EQ(log.find("999999"), std::string::npos);
    const std::string tid = " " + std::to_string(GetCurrentThreadId()) + " ";
    EXPECT_NE(log.find(tid + "LockUKey rc=0 depth=1"), std::string::npos) << log;
    EXPECT_NE(log.find(tid + "ZQ_OpenDev rc=0 depth=1 open=1 dev=\\\\.\\VELQUKEY_A1"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(tid + "ZQ_ToKenVerifyUser rc=25541 depth=1"), std::string::npos) << log;
    EXPECT_NE(log.find(tid + "UnlockUKey rc=0 depth=0 open=0"), std::string::npos) << log;
    keystead_test::RemoveTree(rig);
}
