// The rig files: what a virtual token keeps must survive any reader, writer or crash.
#include "sim_test_rig.h"

#include "core/faults.h"
#include "core/token_record.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

using namespace zqsim;
using zqsim_test::MakeToken;
using zqsim_test::TempRig;

TEST(RigRecord, RoundTripKeepsEveryByteOfNamesPinsAndCertificates) {
    TokenRecord t = MakeToken("A-1");
    t.deviceName = std::string("dev name %with\tspace\xff", 22);
    t.userPinHash = zqsim::PinHash("pin 1%");
    t.pinIsDefault = false;
    t.attemptsLeft = 2;
    t.dacSupport = 2;
    t.dacCard = {1, 2, 3, 4, 5, 6, 7, 8};
    t.containers[0].name = "Conta iner\x80";
    t.containers.push_back(ContainerRecord());
    t.containers[1].name = "empty";

    TokenRecord back;
    std::string error;
    ASSERT_TRUE(ParseToken(SerializeToken(t), &back, &error)) << error;
    EXPECT_EQ(back.deviceName, t.deviceName);
    EXPECT_EQ(back.userPinHash, t.userPinHash);
    EXPECT_FALSE(back.pinIsDefault);
    EXPECT_EQ(back.attemptsLeft, 2);
    EXPECT_EQ(back.dacSupport, 2);
    EXPECT_EQ(back.dacCard, t.dacCard);
    ASSERT_EQ(back.containers.size(), 2u);
    EXPECT_EQ(back.containers[0].name, t.containers[0].name);
    EXPECT_EQ(back.containers[0].exchCert, t.containers[0].exchCert);
    EXPECT_TRUE(back.containers[1].signCert.empty());
}

TEST(RigRecord, CutShortOrDamagedRecordsAreRefused) {
    const std::string whole = SerializeToken(MakeToken("B2"));
    TokenRecord out;
    std::string error;
    EXPECT_FALSE(ParseToken(whole.substr(0, whole.size() - 4), &out, &error));
    EXPECT_FALSE(ParseToken(whole.substr(0, whole.size() / 2), &out, &error));
    std::string badHex = whole;
    badHex.replace(badHex.find("sign_cert ") + 10, 2, "ZZ");
    EXPECT_FALSE(ParseToken(badHex, &out, &error));
    EXPECT_FALSE(ParseToken("", &out, &error));
}

TEST(RigFiles, ReadersNeverSeeAHalfWrittenToken) {
    TempRig temp;
    Rig rig = temp.rig();
    TokenRecord small = MakeToken("C3");
    TokenRecord large = MakeToken("C3");
    large.containers[0].signCert.assign(200000, 0x42);
    ASSERT_TRUE(rig.Save(small));

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, failures{0};
    std::thread reader([&] {
        while (!stop) {
            TokenRecord seen;
            if (!rig.Load("C3", &seen))
                ++failures;
            ++reads;
        }
    });
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(rig.Save(i % 2 ? small : large));
    stop = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(failures.load(), 0);
}

TEST(RigFiles, LeftoverTemporaryFileOfACrashedWriterChangesNothing) {
    TempRig temp;
    Rig rig = temp.rig();
    ASSERT_TRUE(rig.Save(MakeToken("D4", 1)));
    // What a writer that died before its rename leaves behind.
    std::ofstream(rig.TokenPath("D4") + ".tmp1234_0_99") << "zqsim-token 1\nserial D4\n";
    std::vector<TokenRecord> all = rig.LoadAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].attemptsLeft, 6);
}

TEST(RigFiles, TokensComeInSlotOrderAndUnreadableFilesAreSkipped) {
    TempRig temp;
    Rig rig = temp.rig();
    ASSERT_TRUE(rig.Save(MakeToken("late", 3)));
    ASSERT_TRUE(rig.Save(MakeToken("early", 1)));
    std::ofstream(rig.TokenPath("broken")) << "zqsim-token 1\nserial broken\n";
    std::vector<TokenRecord> all = rig.LoadAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].serial, "early");
    EXPECT_EQ(all[1].serial, "late");
}

TEST(FaultRules, ParseEveryFieldAndRejectUnknownOnes) {
    std::vector<FaultRule> rules;
    std::string error;
    ASSERT_TRUE(ParseFaultRules("# comment\n"
                                "ZQ_OpenDev nth=2 status=0x6F00\n"
                                "ZQ_ListAllDev count=7 unterminated=1 long_name=300\r\n"
                                "ZQ_TokenGetCertSize from=3 size=0x7FFFFFFF delay=5 pull=1\n",
                                &rules, &error))
        << error;
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].status, 0x6F00);
    EXPECT_FALSE(rules[0].AppliesTo(1));
    EXPECT_TRUE(rules[0].AppliesTo(2));
    EXPECT_FALSE(rules[0].AppliesTo(3));
    EXPECT_EQ(rules[1].count, 7u);
    EXPECT_TRUE(rules[1].unterminated);
    EXPECT_EQ(rules[1].longName, 300);
    EXPECT_FALSE(rules[2].AppliesTo(2));
    EXPECT_TRUE(rules[2].AppliesTo(9));
    EXPECT_EQ(rules[2].size, 0x7FFFFFFFu);

    std::vector<FaultRule> reparsed;
    ASSERT_TRUE(ParseFaultRules(FormatFaultRule(rules[2]), &reparsed, &error));
    EXPECT_EQ(reparsed[0].size, rules[2].size);
    EXPECT_TRUE(reparsed[0].pull);

    EXPECT_FALSE(ParseFaultRules("ZQ_OpenDev bogus=1\n", &rules, &error));
    EXPECT_FALSE(ParseFaultRules("ZQ_OpenDev nth=0\n", &rules, &error));
    EXPECT_FALSE(ParseFaultRules("ZQ_OpenDev status\n", &rules, &error));
}
