// The operating-system line over the whole decision table: product names, edition words, the
// word on standard output, the product-options fallback and both build-line formats.
#include "install_check/os_description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using install_check::ComposeOsDescription;
using install_check::NeedsProductType;
using install_check::OsFacts;

namespace {

const std::uint8_t kWorkstation = 1, kDomainController = 2, kServer = 3;
const std::uint16_t kEnterprise = 0x0002, kDataCenter = 0x0080, kPersonal = 0x0200;

OsFacts Facts(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
              const char* servicePack = "", std::uint32_t build = 0) {
    OsFacts facts;
    facts.extended = true;
    facts.record.platformId = platform;
    facts.record.majorVersion = major;
    facts.record.minorVersion = minor;
    facts.record.buildNumber = build;
    std::strncpy(facts.record.csdVersion, servicePack, sizeof facts.record.csdVersion - 1);
    return facts;
}

OsFacts Nt(std::uint32_t major, std::uint32_t minor, std::uint8_t productType,
           std::uint16_t suite = 0, const char* servicePack = "Service Pack 1",
           std::uint32_t build = 1000) {
    OsFacts facts = Facts(2, major, minor, servicePack, build);
    facts.record.productType = productType;
    facts.record.suiteMask = suite;
    return facts;
}

// The NT family's basic record: no suite mask or product type, the product options instead.
OsFacts NtBasic(std::uint32_t major, std::uint32_t minor, const std::string& productType) {
    OsFacts facts = Nt(major, minor, 0);
    facts.extended = false;
    facts.productType = productType;
    return facts;
}

struct Result {
    std::string text, consoleWord;
};

Result Compose(const OsFacts& facts, const std::string& callerText = "") {
    Result r{callerText, ""};
    ComposeOsDescription(facts, r.text, r.consoleWord);
    return r;
}

std::string Line(const OsFacts& facts) {
    return Compose(facts).text;
}

} // namespace

TEST(OsDescription, TheWorkedResults) {
    EXPECT_EQ(Line(Nt(5, 1, kWorkstation, 0, "Service Pack 3", 2600)),
              "Microsoft Windows XP Professional  Service Pack 3 (Build 2600)\n");
    EXPECT_EQ(Line(Nt(5, 0, kServer, kEnterprise, "Service Pack 4", 2195)),
              "Microsoft Windows 2000 Advanced Server  Service Pack 4 (Build 2195)\n");
    EXPECT_EQ(Line(Nt(4, 0, kWorkstation, 0, "Service Pack 6a", 1381)),
              "Microsoft Windows NT Workstation 4.0 Professional  version 4.0 Service Pack 6a "
              "(Build 1381)\n");
    EXPECT_EQ(Line(Nt(6, 1, kWorkstation, 0, "Service Pack 1", 7601)),
              "Microsoft Windows 7 Professional  Service Pack 1 (Build 7601)\n")
        << "7 is named by its product";
    EXPECT_EQ(Line(Facts(1, 4, 10, " A ", 0x040A08AE)), "Microsoft Windows 98 SE ");
}

TEST(OsDescription, Win32sAndThe9xFamilyAreNamedWithoutBuildOrLineFeed) {
    EXPECT_EQ(Line(Facts(0, 3, 11, "", 0x1234)), "Microsoft Win32s ");
    EXPECT_EQ(Line(Facts(1, 4, 0, "", 950)), "Microsoft Windows 95 ");
    EXPECT_EQ(Line(Facts(1, 4, 10, "", 1998)), "Microsoft Windows 98 ");
    EXPECT_EQ(Line(Facts(1, 4, 90, " ", 3000)), "Microsoft Windows Me ");
    // Versions of the family without a name leave the caller's text as it was.
    EXPECT_EQ(Compose(Facts(1, 4, 50), "kept").text, "kept");
    EXPECT_EQ(Compose(Facts(1, 5, 0), "kept").text, "kept");
    EXPECT_EQ(Compose(Facts(1, 3, 10), "").text, "");
    for (std::uint32_t minor : {0u, 10u, 90u})
        EXPECT_EQ(Compose(Facts(1, 4, minor, " C ")).consoleWord, "") << minor;
}

TEST(OsDescription, OnlyTheSecondCharacterOfTheServicePackMarksOsr2AndSecondEdition) {
    EXPECT_EQ(Line(Facts(1, 4, 0, " C")), "Microsoft Windows 95 OSR2 ");
    EXPECT_EQ(Line(Facts(1, 4, 0, " B ")), "Microsoft Windows 95 OSR2 ");
    EXPECT_EQ(Line(Facts(1, 4, 0, "xBy")), "Microsoft Windows 95 OSR2 ");
    EXPECT_EQ(Line(Facts(1, 4, 0, " A")), "Microsoft Windows 95 ") << "A marks only 98 SE";
    EXPECT_EQ(Line(Facts(1, 4, 0, "C")), "Microsoft Windows 95 ") << "first character only";
    EXPECT_EQ(Line(Facts(1, 4, 0, " c")), "Microsoft Windows 95 ") << "capitals only";
    EXPECT_EQ(Line(Facts(1, 4, 10, "AA")), "Microsoft Windows 98 SE ");
    EXPECT_EQ(Line(Facts(1, 4, 10, " C")), "Microsoft Windows 98 ") << "C marks only 95 OSR2";
    EXPECT_EQ(Line(Facts(1, 4, 10, "A")), "Microsoft Windows 98 ");
    EXPECT_EQ(Line(Facts(1, 4, 90, " A")), "Microsoft Windows Me ") << "Me has no sub-release";

    // Behind an empty text the field holds nothing of the service pack's.
    OsFacts empty = Facts(1, 4, 10);
    empty.record.csdVersion[1] = 'A';
    EXPECT_EQ(Line(empty), "Microsoft Windows 98 ");
}

TEST(OsDescription, NtProductNamesByVersionAndProductType) {
    for (std::uint8_t type : {kWorkstation, kDomainController, kServer}) {
        const std::string shown = std::to_string(type);
        EXPECT_EQ(Line(Nt(5, 0, type)).rfind("Microsoft Windows 2000 ", 0), 0u) << shown;
        EXPECT_EQ(Line(Nt(5, 1, type)).rfind("Microsoft Windows XP ", 0), 0u) << shown;
        EXPECT_EQ(Line(Nt(5, 2, type)).rfind("Microsoft Windows Server 2003 ", 0), 0u) << shown;
        EXPECT_EQ(Line(Nt(4, 0, type)).rfind("Microsoft Windows NT ", 0), 0u) << shown;
        EXPECT_EQ(Line(Nt(3, 51, type)).rfind("Microsoft Windows NT ", 0), 0u) << shown;
    }
    EXPECT_EQ(Line(Nt(6, 0, kWorkstation)),
              "Microsoft Windows Vista Professional  Service Pack 1 (Build 1000)\n");
    EXPECT_EQ(Line(Nt(6, 0, kServer)),
              "Windows Server \"Longhorn\" Server  Service Pack 1 (Build 1000)\n");
    EXPECT_EQ(Line(Nt(6, 0, kDomainController)),
              "Windows Server \"Longhorn\"  Service Pack 1 (Build 1000)\n")
        << "a domain controller gets the server's name but no edition word";
    EXPECT_EQ(Line(Nt(5, 2, kWorkstation)),
              "Microsoft Windows Server 2003 Professional  Service Pack 1 (Build 1000)\n");
}

TEST(OsDescription, UnnamedNtVersionsStartWithTheEditionWordOrTheFormatsBlank) {
    for (auto version :
         {std::make_pair(5u, 3u), std::make_pair(5u, 9u), std::make_pair(6u, 4u),
          std::make_pair(7u, 0u), std::make_pair(10u, 1u), std::make_pair(11u, 0u)}) {
        const std::string shown =
            std::to_string(version.first) + "." + std::to_string(version.second);
        EXPECT_EQ(Line(Nt(version.first, version.second, kWorkstation)),
                  "Professional  Service Pack 1 (Build 1000)\n")
            << shown;
        EXPECT_EQ(Line(Nt(version.first, version.second, kServer, kDataCenter)),
                  "DataCenter Server  Service Pack 1 (Build 1000)\n")
            << shown;
        EXPECT_EQ(Line(Nt(version.first, version.second, kDomainController)),
                  " Service Pack 1 (Build 1000)\n")
            << shown;
    }
    // The caller's text stands where no product is named.
    EXPECT_EQ(Compose(Nt(6, 4, kDomainController), "Pre").text,
              "Pre Service Pack 1 (Build 1000)\n");
}

// Every Windows after Vista by version, product type and (from 10 on) build, with its release
// where the system names one; a release that is not a plain name is left out.
TEST(OsDescription, WindowsAfterVistaAreNamedWithTheirServerTwinsAndRelease) {
    const struct {
        std::uint32_t major, minor, build;
        std::uint8_t type;
        const char* servicePack;
        const char* release;
        const char* line;
    } rows[] = {
        {6, 1, 7601, kWorkstation, "Service Pack 1", "",
         "Microsoft Windows 7 Professional  Service Pack 1 (Build 7601)\n"},
        {6, 1, 7601, kServer, "Service Pack 1", "",
         "Microsoft Windows Server 2008 R2 Server  Service Pack 1 (Build 7601)\n"},
        {6, 2, 9200, kWorkstation, "", "", "Microsoft Windows 8 Professional   (Build 9200)\n"},
        {6, 2, 9200, kDomainController, "", "", "Microsoft Windows Server 2012   (Build 9200)\n"},
        {6, 3, 9600, kWorkstation, "", "", "Microsoft Windows 8.1 Professional   (Build 9600)\n"},
        {6, 3, 9600, kServer, "", "", "Microsoft Windows Server 2012 R2 Server   (Build 9600)\n"},
        {10, 0, 19045, kWorkstation, "", "22H2",
         "Microsoft Windows 10 Professional 22H2   (Build 19045)\n"},
        {10, 0, 18363, kWorkstation, "", "1909",
         "Microsoft Windows 10 Professional 1909   (Build 18363)\n"},
        {10, 0, 21999, kWorkstation, "", "", "Microsoft Windows 10 Professional   (Build 21999)\n"},
        {10, 0, 22000, kWorkstation, "", "21H2",
         "Microsoft Windows 11 Professional 21H2   (Build 22000)\n"},
        {10, 0, 26100, kWorkstation, "", "24H2\r\nX", // not a plain name
         "Microsoft Windows 11 Professional   (Build 26100)\n"},
        {10, 0, 14393, kServer, "", "1607",
         "Microsoft Windows Server 2016 Server 1607   (Build 14393)\n"},
        {10, 0, 17763, kServer, "", "", "Microsoft Windows Server 2019 Server   (Build 17763)\n"},
        {10, 0, 20348, kServer, "", "", "Microsoft Windows Server 2022 Server   (Build 20348)\n"},
        {10, 0, 26100, kServer, "", "", "Microsoft Windows Server 2025 Server   (Build 26100)\n"},
    };
    for (const auto& row : rows) {
        OsFacts facts = Nt(row.major, row.minor, row.type, 0, row.servicePack, row.build);
        facts.release = row.release;
        EXPECT_EQ(Line(facts), row.line);
    }
    // A release is only looked for, and only shown, from 10 on.
    OsFacts vista = Nt(6, 0, kWorkstation, 0, "Service Pack 2", 6002);
    vista.release = "22H2";
    EXPECT_FALSE(install_check::NeedsRelease(vista));
    EXPECT_EQ(Line(vista), "Microsoft Windows Vista Professional  Service Pack 2 (Build 6002)\n");
    EXPECT_EQ(install_check::CleanRelease(std::string(16, '1')), "");
}

TEST(OsDescription, EditionWordsOfTheExtendedRecordAndTheWordOnStandardOutput) {
    Result r = Compose(Nt(5, 1, kWorkstation));
    EXPECT_EQ(r.text, "Microsoft Windows XP Professional  Service Pack 1 (Build 1000)\n");
    EXPECT_EQ(r.consoleWord, "Professional ");

    r = Compose(Nt(5, 1, kWorkstation, kPersonal | kEnterprise));
    EXPECT_EQ(r.text, "Microsoft Windows XP Personal  Service Pack 1 (Build 1000)\n");
    EXPECT_EQ(r.consoleWord, "Home Edition ") << "standard output names the suite differently";

    r = Compose(Nt(4, 0, kWorkstation, kPersonal));
    EXPECT_EQ(r.text, "Microsoft Windows NT Workstation 4.0 Personal  version 4.0 Service Pack 1 "
                      "(Build 1000)\n");
    EXPECT_EQ(r.consoleWord, "Workstation 4.0 ");

    // Servers: data centre before enterprise before plain; nothing on standard output.
    r = Compose(Nt(5, 0, kServer, kDataCenter | kEnterprise));
    EXPECT_EQ(r.text, "Microsoft Windows 2000 DataCenter Server  Service Pack 1 (Build 1000)\n");
    EXPECT_EQ(r.consoleWord, "");
    EXPECT_EQ(Line(Nt(5, 2, kServer, kEnterprise | kPersonal)),
              "Microsoft Windows Server 2003 Advanced Server  Service Pack 1 (Build 1000)\n");
    EXPECT_EQ(Line(Nt(4, 0, kServer, kPersonal)),
              "Microsoft Windows NT Server  version 4.0 Service Pack 1 (Build 1000)\n");

    for (std::uint8_t other : {0, 2, 4, 255}) {
        r = Compose(Nt(5, 1, static_cast<std::uint8_t>(other), kPersonal | kDataCenter));
        EXPECT_EQ(r.text, "Microsoft Windows XP  Service Pack 1 (Build 1000)\n") << other;
        EXPECT_EQ(r.consoleWord, "") << other;
    }
}

TEST(OsDescription, WithOnlyTheBasicRecordTheProductOptionsNameTheEditionIgnoringCase) {
    EXPECT_TRUE(NeedsProductType(NtBasic(4, 0, "")));
    EXPECT_FALSE(NeedsProductType(Nt(4, 0, kWorkstation))) << "the extended record suffices";
    OsFacts basic9x = Facts(1, 4, 10);
    basic9x.extended = false;
    EXPECT_FALSE(NeedsProductType(basic9x)) << "the 9x family has no edition";

    const struct {
        const char* value;
        const char* edition;
    } cases[] = {
        {"WINNT", "Professional "},
        {"WinNT", "Professional "},
        {"winnt", "Professional "},
        {"LanmanNT", "Server "},
        {"LANMANNT", "Server "},
        {"ServerNT", "Advanced Server "},
        {"servernt", "Advanced Server "},
        {"", ""},
        {"WINNT ", ""},
        {"WIN", ""},
        {"Workstation", ""},
    };
    for (const auto& c : cases) {
        const Result r = Compose(NtBasic(4, 0, c.value));
        EXPECT_EQ(r.text, std::string("Microsoft Windows NT ") + c.edition +
                              " version 4.0 Service Pack 1 (Build 1000)\n")
            << "\"" << c.value << "\"";
        EXPECT_EQ(r.consoleWord, "") << "nothing goes to standard output on this path";
    }
    // The record's own product type and suite mask are not believed without the extension.
    OsFacts stale = NtBasic(5, 0, "LanmanNT");
    stale.record.productType = kWorkstation;
    stale.record.suiteMask = kPersonal;
    EXPECT_EQ(Line(stale), "Microsoft Windows 2000 Server  Service Pack 1 (Build 1000)\n");
}

TEST(OsDescription, BuildLinesMaskTheBuildNumberAndShowTheVersionOnlyUpToNt4) {
    EXPECT_EQ(Line(Nt(5, 1, kWorkstation, 0, "SP", 0xFFFF0A28u)),
              "Microsoft Windows XP Professional  SP (Build 2600)\n");
    EXPECT_EQ(Line(Nt(5, 1, kWorkstation, 0, "SP", 0x0001FFFFu)),
              "Microsoft Windows XP Professional  SP (Build 65535)\n");
    EXPECT_EQ(Line(Nt(4, 0, kServer, 0, "SP", 0x80000565u)),
              "Microsoft Windows NT Server  version 4.0 SP (Build 1381)\n");
    EXPECT_EQ(Line(Nt(3, 51, kServer, 0, "SP", 0x10000u)),
              "Microsoft Windows NT Server  version 3.51 SP (Build 0)\n");
    EXPECT_EQ(Line(Nt(6, 0, kWorkstation, 0, "", 6002)),
              "Microsoft Windows Vista Professional   (Build 6002)\n")
        << "an empty service pack leaves three blanks before the build";
}

TEST(OsDescription, AServicePackFieldWithoutTerminatorEndsAtTheFieldsEnd) {
    OsFacts facts = Nt(5, 1, kWorkstation);
    std::memset(facts.record.csdVersion, 'S', sizeof facts.record.csdVersion);
    EXPECT_EQ(Line(facts),
              "Microsoft Windows XP Professional  " + std::string(128, 'S') + " (Build 1000)\n");
}

TEST(OsDescription, AnUnknownPlatformLeavesTheTextAsItWas) {
    for (std::uint32_t platform : {3u, 4u, 0xFFFFFFFFu}) {
        OsFacts facts = Nt(5, 1, kWorkstation);
        facts.record.platformId = platform;
        const Result unknown = Compose(facts, "as given");
        EXPECT_EQ(unknown.text, "as given") << platform;
        EXPECT_EQ(unknown.consoleWord, "") << platform;
    }
}
