// The shipped 32-bit files, read from disk: every function they import exists, and works, on
// every Windows they are for. Wine offers every function whatever version it reports, and no
// machine here runs 32-bit code, so the import tables are where this is proven.
#include "pe_image.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using keystead_test::PeImage;
using keystead_test::ReadPeImage;
using keystead_test::ShippedBinDir;

struct Row {
    std::string module, function, first9x, firstNt, stub9x, requires, use, why;
};

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
}

std::map<std::string, Row> ReadTable() {
    std::map<std::string, Row> table;
    std::ifstream in(keystead_test::TestBinDir() + "\\windows_functions.tsv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');)
            f.push_back(field);
        EXPECT_EQ(f.size(), 9u) << line;
        if (f.size() != 9)
            continue;
        table[f[0] + "!" + f[1]] = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
    }
    EXPECT_GT(table.size(), 100u) << "the table was not found or not read";
    return table;
}

// The Windows we name, each with the releases of its family up to itself.
struct Family {
    const char* name;
    bool nt;
    std::vector<std::string> releases;
};
const Family kFamilies[] = {
    {"Windows 95", false, {"95"}},
    {"Windows 98", false, {"95", "98"}},
    {"Windows Me", false, {"95", "98", "me"}},
    {"Windows NT 4.0", true, {"3.1", "3.5", "3.51", "4.0"}},
    {"Windows 2000", true, {"3.1", "3.5", "3.51", "4.0", "2000"}},
    {"Windows XP", true, {"3.1", "3.5", "3.51", "4.0", "2000", "xp"}},
    {"Windows Vista", true, {"3.1", "3.5", "3.51", "4.0", "2000", "xp", "vista"}},
};

bool Has(const Family& family, const Row& row) {
    const std::string& first = family.nt ? row.firstNt : row.first9x;
    for (const std::string& release : family.releases)
        if (release == first)
            return true;
    return false;
}

// What ships, with the Windows each file is for. The programs run on every one we name; Kestrun
// starts a setup only on its own family, so each setup's stub, and the plug-in built beside bin/
// that travels inside it, answer to that family alone.
struct ShippedFile {
    const char* path; // under build/windows/bin, or under the test tree's shipped package
    bool inPackage;
    int firstFamily, lastFamily; // a range of kFamilies
};
const ShippedFile kShipped[] = {
    {"Keystead.exe", false, 0, 6},
    {"zh-CN\\Keystead.exe", false, 0, 6},
    {"Kestrun.exe", false, 0, 6},
    {"ZQ_CSP.dll", false, 0, 6},
    {"win98\\Setup.exe", true, 0, 3}, // 95, 98, Me, NT 4.0
    {"..\\setup-plugin\\x86-ansi\\KeysteadSetup.dll", false, 0, 3},
    {"setup\\ZQTM_USBKEY_Setup.exe", true, 4, 6}, // 2000, XP, Vista
    {"..\\setup-plugin\\x86-unicode\\KeysteadSetup.dll", false, 4, 6},
};

std::string PathOf(const ShippedFile& file) {
    return (file.inPackage ? keystead_test::TestBinDir() + "\\shipped_package" : ShippedBinDir()) +
           "\\" + file.path;
}

PeImage Shipped(const std::string& path) {
    PeImage image = ReadPeImage(path);
    EXPECT_TRUE(image.ok) << path;
    EXPECT_EQ(image.machine, keystead_test::ShippedMachine()) << path;
    return image;
}

} // namespace

TEST(ShippedFiles, EveryImportExistsAndWorksOnEveryWindowsItIsFor) {
    const std::map<std::string, Row> table = ReadTable();
    for (const ShippedFile& shipped : kShipped) {
        const char* file = shipped.path;
        for (const keystead_test::PeImport& import : Shipped(PathOf(shipped)).imports) {
            const std::string dll = Upper(import.dll);
            if (import.byOrdinal) {
                // Only the provider's forwarding to the vendor library goes by ordinal.
                EXPECT_EQ(dll, "ZQCSP.DLL") << file << " imports ordinal " << import.ordinal;
                continue;
            }
            const std::string key = dll + "!" + import.name;
            const auto row = table.find(key);
            if (row == table.end()) {
                ADD_FAILURE() << file << " imports " << key << ", which the table lacks";
                continue;
            }
            const Row& r = row->second;
            EXPECT_EQ(r.use, "import") << file << " imports " << key << ", meant to be looked up";
            for (int f = shipped.firstFamily; f <= shipped.lastFamily; ++f)
                EXPECT_TRUE(Has(kFamilies[f], r))
                    << file << " imports " << key << ", which " << kFamilies[f].name << " lacks";
            if (r.stub9x == "yes" && !kFamilies[shipped.firstFamily].nt) {
                EXPECT_NE(r.why, "-")
                    << file << " imports " << key
                    << ", only a stub on Windows 95, 98 and Me, and the table names no caller "
                       "for whom that is harmless";
            }
        }
    }
}

TEST(ShippedFiles, LookedUpFunctionsAreNamedNotImportedAndEveryRowIsUsed) {
    const std::map<std::string, Row> table = ReadTable();
    std::set<std::string> imported;
    std::string contents;
    for (const ShippedFile& shipped : kShipped) {
        const PeImage image = Shipped(PathOf(shipped));
        for (const keystead_test::PeImport& import : image.imports)
            imported.insert(Upper(import.dll) + "!" + import.name);
        contents.append(image.file.begin(), image.file.end());
    }
    for (const auto& [key, row] : table) {
        if (row.use == "lookup") {
            EXPECT_EQ(imported.count(key), 0u) << key << " is imported, not looked up";
            // GetProcAddress is given the name, so the name is in the file.
            EXPECT_NE(contents.find(row.function + '\0'), std::string::npos)
                << key << " is in the table as looked up, but no shipped file names it";
        } else {
            EXPECT_EQ(imported.count(key), 1u) << key << " is in the table, but nothing imports it";
        }
    }
}

TEST(ShippedFiles, KestrunNeedsNoRuntimeOnlyKernelUserAndShell) {
    for (const keystead_test::PeImport& import :
         Shipped(ShippedBinDir() + "\\Kestrun.exe").imports) {
        const std::string dll = Upper(import.dll);
        EXPECT_TRUE(dll == "KERNEL32.DLL" || dll == "USER32.DLL" || dll == "SHELL32.DLL")
            << "Kestrun.exe imports " << dll << "!" << import.name;
    }
}

namespace {

// Length of a ModRM operand (ModRM byte, SIB byte, displacement), 32-bit addressing.
std::size_t ModRmLength(const std::vector<std::uint8_t>& code, std::size_t at) {
    if (at >= code.size())
        return 0;
    const int mod = code[at] >> 6, rm = code[at] & 7;
    std::size_t length = 1;
    if (mod != 3 && rm == 4) {
        if (at + 1 >= code.size())
            return 0;
        ++length;
        if (mod == 0 && (code[at + 1] & 7) == 5)
            length += 4;
    }
    if (mod == 0 && rm == 5)
        length += 4;
    else if (mod == 1)
        length += 1;
    else if (mod == 2)
        length += 4;
    return length;
}

// Walks a forwarder's instructions to its first return: the bytes popped by "ret n" (0 for a
// plain "ret"), or -1 with the reason when an instruction is not among those a forwarder uses.
int BytesPoppedOnReturn(const std::vector<std::uint8_t>& code, std::string* why) {
    std::size_t at = 0;
    while (at < code.size()) {
        const std::uint8_t op = code[at];
        if (op == 0xC2 && at + 2 < code.size())
            return code[at + 1] | code[at + 2] << 8;
        if (op == 0xC3)
            return 0;
        std::size_t length = 0;
        if (op >= 0x50 && op <= 0x5F) // push, pop
            length = 1;
        else if (op == 0x89 || op == 0x8B || op == 0x85 || op == 0x31 || op == 0x33 || op == 0x8D ||
                 op == 0xFF) // mov, test, xor, lea, call/jmp indirect
            length = 1 + ModRmLength(code, at + 1);
        else if (op == 0x83) // add/sub r/m32, imm8
            length = 2 + ModRmLength(code, at + 1);
        else if (op == 0x25) // and eax, imm32: the Pentium's way to widen a byte
            length = 5;
        else if (op == 0x0F && at + 1 < code.size() &&
                 (code[at + 1] == 0x95 || code[at + 1] == 0xB6)) // setne, movzx
            length = 2 + ModRmLength(code, at + 2);
        if (length == 0 || (op == 0xFF && at + 1 < code.size() && (code[at + 1] & 0x38) == 0x20)) {
            std::ostringstream reason;
            reason << "unexpected instruction byte 0x" << std::hex << int(op) << " at +" << at;
            *why = reason.str();
            return -1; // an unknown form, or a jump that would leave the function
        }
        at += length;
    }
    *why = "no return found";
    return -1;
}

} // namespace

TEST(ShippedFiles, EveryProviderEntryPointPopsExactlyItsOwnArguments) {
    // A __stdcall function pops its arguments itself; popping more or fewer than CryptoAPI
    // pushed corrupts the caller's stack. Read from the 32-bit code, the only place it shows.
    const PeImage provider = Shipped(ShippedBinDir() + "\\ZQ_CSP.dll");
    std::stringstream entries(KEYSTEAD_CP_ENTRY_POINTS); // name:ordinal:arguments ...
    int checked = 0;
    for (std::string entry; entries >> entry;) {
        const std::string name = entry.substr(0, entry.find(':'));
        const std::size_t second = entry.find(':', name.size() + 1);
        const unsigned ordinal = std::stoul(entry.substr(name.size() + 1));
        const int arguments = std::stoi(entry.substr(second + 1));
        SCOPED_TRACE(name);
        ASSERT_GE(ordinal, provider.ordinalBase);
        ASSERT_LT(ordinal - provider.ordinalBase, provider.exportRvas.size());
        const std::uint32_t rva = provider.exportRvas[ordinal - provider.ordinalBase];
        std::string why;
        EXPECT_EQ(BytesPoppedOnReturn(provider.BytesAt(rva, 256), &why), 4 * arguments) << why;
        ++checked;
    }
    EXPECT_EQ(checked, 25);
}

namespace {

// The fixed file version of a file's version block, as a.b.c.d, or "" without one.
std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

// The package that ships, as scripts/package lays it out: the shipped Kestrun at its top and two
// 32-bit setup programs carrying Keystead's version; the 9x family's is built on the ANSI stub,
// since the wide-character functions are stubs there.
TEST(ShippedFiles, ThePackageHoldsKestrunAndTwo32BitSetupsOfKeysteadsVersion) {
    const std::string package = keystead_test::TestBinDir() + "\\shipped_package";
    const std::string kestrun = FileBytes(package + "\\Kestrun.exe");
    EXPECT_TRUE(!kestrun.empty() && kestrun == FileBytes(ShippedBinDir() + "\\Kestrun.exe"));
    const std::string version = FileVersion(ShippedBinDir() + "\\Keystead.exe");
    ASSERT_FALSE(version.empty());
    for (const char* setup : {"setup\\ZQTM_USBKEY_Setup.exe", "win98\\Setup.exe"}) {
        SCOPED_TRACE(setup);
        const std::string path = package + "\\" + setup;
        const PeImage pe = ReadPeImage(path);
        ASSERT_TRUE(pe.ok);
        EXPECT_EQ(pe.machine, keystead_test::ShippedMachine());
        EXPECT_EQ(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
        EXPECT_EQ(FileVersion(path), version);
        int wide = 0;
        for (const keystead_test::PeImport& import : pe.imports)
            wide += !import.byOrdinal && !import.name.empty() && import.name.back() == 'W';
        if (std::string(setup).rfind("win98", 0) == 0)
            EXPECT_EQ(wide, 0) << "the 9x family's setup calls wide-character functions";
        else
            EXPECT_GT(wide, 0) << "the NT family's setup is the Unicode one";
    }
    // The symbols beside the setups, never in them.
    EXPECT_EQ(FileBytes(package + "\\symbols\\Keystead.exe.debug"),
              FileBytes(ShippedBinDir() + "\\..\\symbols\\Keystead.exe.debug"));
    for (const char* setup : {"setup\\ZQTM_USBKEY_Setup.exe", "win98\\Setup.exe"})
        EXPECT_EQ(FileBytes(package + "\\" + setup).find(".debug_info"), std::string::npos);
}

// Each setup, and the uninstaller it writes, carries only the plug-in built for it, which has no
// TLS directory (Windows 95 refuses one in a library loaded at run time, as a setup loads its
// plug-ins), and NSIS's System plug-in in neither; the 9x setup's calls no wide-character function.
TEST(ShippedFiles, EachSetupCarriesOnlyItsOwnPlugin) {
    const struct {
        const char* contents; // as 7-Zip unpacked the setup
        const char* plugin;   // as the programs tree built it
        bool ansi;
    } kSetups[] = {{"win98-contents", "x86-ansi", true}, {"setup-contents", "x86-unicode", false}};
    for (const auto& setup : kSetups) {
        const std::string contents =
            keystead_test::TestBinDir() + "\\shipped_package\\" + setup.contents;
        const std::string built = FileBytes(ShippedBinDir() + "\\..\\setup-plugin\\" +
                                            setup.plugin + "\\KeysteadSetup.dll");
        ASSERT_FALSE(built.empty()) << setup.plugin;
        for (const std::string& part : {contents, contents + "\\uninstaller"}) {
            SCOPED_TRACE(part);
            const std::string plugins = part + "\\$PLUGINSDIR";
            std::vector<std::string> found;
            WIN32_FIND_DATAA entry;
            HANDLE search = FindFirstFileA((plugins + "\\*.dll").c_str(), &entry);
            ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no plug-in unpacked";
            do
                found.push_back(entry.cFileName);
            while (FindNextFileA(search, &entry));
            FindClose(search);
            EXPECT_EQ(found, std::vector<std::string>{"KeysteadSetup.dll"});
            EXPECT_EQ(FileBytes(plugins + "\\KeysteadSetup.dll"), built);
            const PeImage pe = ReadPeImage(plugins + "\\KeysteadSetup.dll");
            ASSERT_TRUE(pe.ok);
            EXPECT_EQ(pe.tlsDirectorySize, 0u) << "the plug-in has a TLS directory";
            for (const keystead_test::PeImport& import : pe.imports)
                EXPECT_FALSE(setup.ansi && !import.name.empty() && import.name.back() == 'W')
                    << "the 9x setup's plug-in imports " << import.name;
        }
    }
}

// The slot the platform's provider-signing tool fills in place: 144 bytes at 0x29A (666) for the
// signature and 16 at 0x29B (667) for the checksum, zero until signed.
TEST(ShippedFiles, TheProviderCarriesItsSignatureSlot) {
    HMODULE provider = LoadLibraryExA((ShippedBinDir() + "\\ZQ_CSP.dll").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(provider, nullptr);
    for (const auto& [id, size] : {std::pair<WORD, DWORD>{666, 144}, {667, 16}}) {
        HRSRC slot =
            FindResourceA(provider, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10)); // RT_RCDATA
        ASSERT_NE(slot, nullptr) << id;
        EXPECT_EQ(SizeofResource(provider, slot), size) << id;
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(provider, slot)));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::count(bytes, bytes + size, 0), static_cast<long>(size)) << id << " not zero";
    }
    FreeLibrary(provider);
}

// What ships is small, for the 16 MB machines of the 95 era and a bank's download page, and
// carries no symbols: those are kept apart, tied to each file by its debug link and build id.
TEST(ShippedFiles, TheProgramsAreSmallAndTheirSymbolsAreKeptApart) {
    const std::string dir = ShippedBinDir();
    const struct {
        const char* file;
        std::size_t limit, withoutIcons;
    } rows[] = {
        {"\\Keystead.exe", 192 * 1024, 160 * 1024},
        {"\\zh-CN\\Keystead.exe", 192 * 1024, 160 * 1024},
        // No larger than before they carried a manifest.
        {"\\Kestrun.exe", 7712, 7712},
        {"\\ZQ_CSP.dll", 15029, 15029},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string path = dir + row.file;
        const PeImage pe = ReadPeImage(path);
        ASSERT_TRUE(pe.ok);
        std::size_t icons = 0;
        HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        EnumResourceNamesA(
            module, reinterpret_cast<LPCSTR>(RT_ICON),
            [](HMODULE m, LPCSTR type, LPSTR name, LONG_PTR total) -> BOOL {
                *reinterpret_cast<std::size_t*>(total) +=
                    SizeofResource(m, FindResourceA(m, name, type));
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&icons));
        FreeLibrary(module);
        EXPECT_LE(pe.file.size(), row.limit);
        EXPECT_LE(pe.file.size() - icons, row.withoutIcons) << icons << " bytes of icons";

        std::uint32_t header = 0, symbols = 1;
        std::memcpy(&header, &pe.file[0x3C], 4);
        std::memcpy(&symbols, &pe.file[header + 4 + 12], 4); // NumberOfSymbols
        EXPECT_EQ(symbols, 0u) << "a symbol table ships";
        const std::string bytes(pe.file.begin(), pe.file.end());
        const std::size_t codeView = bytes.find("RSDS");
        ASSERT_NE(codeView, std::string::npos) << "no build id";
        const std::string name = path.substr(path.rfind('\\') + 1) + ".debug";
        EXPECT_NE(bytes.find(name + '\0'), std::string::npos) << "no debug link to " << name;
        std::ifstream in(dir + "\\..\\symbols" + row.file + ".debug", std::ios::binary);
        const std::string debug((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_NE(debug.find(bytes.substr(codeView, 20)), std::string::npos)
            << "the symbols are of another build";
    }
}
