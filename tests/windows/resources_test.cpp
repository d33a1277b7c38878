// Both resource sets, read back from the built programs: every text with its exact wording,
// and the dialog details where a slip would show to the user or break a window search.
#include "dialog_template.h"
#include "string_table.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using keystead_test::DialogItem;
using keystead_test::DialogTemplate;
using keystead_test::LoadDialogTemplate;
using keystead_test::Utf8;

namespace {

struct Text {
    UINT id;
    const char* english;
    const char* chinese; // UTF-8
};

const Text kTexts[] = {
    {1, "If logout the system, the USB KEY maybe doesn't work normally. Exit?",
     u8"如果退出本程序，设备将不能正常使用！确定要退出？"},
    {2, "No find Device!", u8"没有发现设备"},
    {3, "Read serial number failed.", u8"取序列号失败"},
    {4, "Prompt", u8"提示信息"},
    {5, "Successful", u8"成功"},
    {6, "Failed", u8"失败"},
    {7, "Load CSP dynamic library failed.", u8"CSP动态库加载失败"},
    {8, "Close device failed", u8"关闭设备失败"},
    {9, "Open device failed", u8"打开设备失败"},
    {10, "Input wrong orginal PIN. \rYou have %d chances still.",
     u8"原USB KEY口令错误， 还有%d次机会"},
    {11, "The PIN is locked, please contact the administrators.",
     u8"USB KEY口令被锁定，请与管理员联系"},
    {12, "Empty PIN", u8"USB KEY口令不能为空"},
    {13, "The new PIN and the confirm PIN do not match.", u8"两次输入的新USB KEY口令不一致"},
    {20, "It is the DEFAULT PIN. For security, please modify it immediately. Done?",
     u8"当前USB KEY口令还是默认口令，为了安全，必须修改USB KEY口令，立即修改吗？"},
    {30, "Create container failed.", u8"建立容器失败"},
    {31, "Create container successful.", u8"建立容器成功"},
    {32, "Delete container failed.", u8"删除容器失败"},
    {33, "Delete container successful.", u8"删除容器成功"},
    {40, "Encryption certificate.", u8"加密证书"},
    {41, "Signature certificate.", u8"签名证书"},
    {42, "Register certificate successful.", u8"证书注册成功"},
    {43, "Register certificate failed.", u8"证书注册失败"},
    {44, "Unregister certificate successful.", u8"证书注销成功"},
    {45, "Unregister certificate failed.", u8"证书注销失败"},
    {46,
     "Certificate decoding error, \r please confirm whether the password of certificate is "
     "correct!",
     u8"证书解码错误，请确认证书口令是否正确！"},
    {47, "Import certificate", u8"导入证书"},
    {48, "Import certificate failed.", u8"导入证书失败"},
    {49, "Import certificate successful.", u8"导入证书成功"},
    {50, "Write certificate failed.", u8"写入证书失败"},
    {60, "The new Serial and the confirm one do not match.", u8"两次输入的序列号不一致"},
    {61, "Canceled operation of initializing the Dynamic Authentication Code Table.",
     u8"取消动态认证卡绑定操作"},
    {62,
     "The Dynamic Authentication Code Table of the USB KEY had been bound,\t can not do it again.",
     u8"此设备的动态认证卡已经做过绑定操作，无法再进行绑定"},
    {63, "Bind the Dynamic Authentication Code Table successful.", u8"动态认证卡绑定成功"},
    {64, "Bind the Dynamic Authentication Code Table failed.", u8"动态认证卡绑定失败"},
    {70, "Please bind the Dynamic Authentication Code Table firstly:",
     u8"第一次使用设备前请先绑定动态认证卡："},
    {71,
     "Prompt:Once the Dynamic Authentication Code has been bound, only the administrator can clean "
     "it.",
     u8"提示：动态口令认证卡绑定后，只能通过银行管理员删除"},
    {72, "Input original PIN:", u8"输入原USB KEY口令："},
    {73, "Input new PIN:", u8"输入新USB KEY口令："},
    {74, "Confirm the new PIN:", u8"重新输入新USB KEY口令："},
    {75, "Deleting the container, please waiting...", u8"正在删除容器，请等待...."},
    {76, "Keystead", "Keystead"},
    {77, "Change PIN successful!", u8"修改USB KEY口令成功！"},
    {78, "Change PIN failed!", u8"修改USB KEY口令失败！"},
    {79, "Empty or incomplete serial, please check it and input the correct!",
     u8"空序列号或者序列号填写不完整，请参照动态认证卡的序列号重新输入。"},
    {80, "Illegal serial, please check it and input the correct!",
     u8"非法的序列号，请参照动态认证卡的序列号重新输入。"},
    {81, "Unsafe PIN, please input a safe PIN!",
     u8"USB KEY口令强度不够，基于安全的考虑，请更换一个新口令。"},
    {82, "The length of the new PIN must be between 6 and 8!", u8"新口令的长度必须介于6与8之间"},
    {83, "\nOS information: ", u8"\n操作系统信息："},
    {84, "\nInternet Explorer version: ", u8"\nInternet Explorer版本为："},
    {85, "\n\nCSP version: ", u8"\n\nCSP版本为："},
    {86, "VELQ CSP no installed!", u8"没有安装VELQ的CSP！"},
    {87, "\n\nDevice driver installed!", u8"\n\n设备驱动已安装"},
    {88, "\nDevice driver no installed!", u8"\n设备驱动未安装"},
    {89, "System Information", u8"安装检测"},
    {90,
     "USB KEY has been pulled out, please close the browser after your transactions for safety.",
     u8"您的USB KEY已拔出，为了安全起见，请在完成网上银行交易后，关闭浏览器。"},
    {91, "Prompt", u8"温馨提示"},
    {92, "Change USB KEY PIN", u8"修改USB KEY口令"},
};

struct ResourceSet {
    const char* name;
    const char* subdir;
    LANGID language;
    bool english;
};

// Names the set in test names instead of dumping its bytes.
void PrintTo(const ResourceSet& set, std::ostream* out) {
    *out << set.name;
}

const ResourceSet kSets[] = {{"English", "", 1033, true}, {"Chinese", "\\zh-CN", 2052, false}};

std::string ProgramPath(const ResourceSet& set) {
    return keystead_test::BinDir() + set.subdir + "\\Keystead.exe";
}

std::string StringOf(HMODULE module, UINT id) {
    const wchar_t* entry = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&entry), 0);
    return length > 0 ? Utf8(std::wstring(entry, static_cast<std::size_t>(length))) : "";
}

class ResourceSetTest : public ::testing::TestWithParam<ResourceSet> {
  protected:
    void SetUp() override {
        module_ =
            LoadLibraryExA(ProgramPath(GetParam()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << ProgramPath(GetParam());
    }
    void TearDown() override {
        if (module_)
            FreeLibrary(module_);
    }
    DialogTemplate Dialog(WORD id) {
        DialogTemplate t;
        EXPECT_TRUE(LoadDialogTemplate(module_, id, &t)) << "dialog " << id;
        return t;
    }
    bool English() const { return GetParam().english; }

    HMODULE module_ = nullptr;
};

} // namespace

TEST_P(ResourceSetTest, EveryStringHasItsExactTextAndAbsentNumbersAreEmpty) {
    for (const Text& t : kTexts)
        EXPECT_EQ(StringOf(module_, t.id), English() ? t.english : t.chinese) << "string " << t.id;
    // Keystead's own lookup gives the same texts in the ANSI code page.
    for (const Text& t : kTexts) {
        const wchar_t* entry = nullptr;
        int length = LoadStringW(module_, t.id, reinterpret_cast<LPWSTR>(&entry), 0);
        ASSERT_GT(length, 0);
        // Keystead reads a text into a fixed buffer; even in the code page that takes the most
        // bytes for it, the text leaves half the buffer to spare.
        for (UINT codePage : {936u, 1252u})
            EXPECT_LT(WideCharToMultiByte(codePage, 0, entry, length, nullptr, 0, nullptr, nullptr),
                      kMaxTextBytes / 2)
                << "string " << t.id << " in code page " << codePage;
        char ansi[kMaxTextBytes] = {};
        WideCharToMultiByte(CP_ACP, 0, entry, length, ansi, sizeof ansi - 1, nullptr, nullptr);
        EXPECT_EQ(LoadText(module_, t.id), ansi) << "string " << t.id;
    }
    for (UINT absent : {0u, 14u, 19u, 21u, 29u, 34u, 51u, 59u, 65u, 69u, 93u, 100u, 4096u}) {
        EXPECT_EQ(StringOf(module_, absent), "") << "string " << absent;
        EXPECT_EQ(LoadText(module_, absent), "") << "string " << absent;
    }
    // Exactly 57 entries: nothing beyond the listed numbers hides in the table.
    int present = 0;
    for (UINT id = 0; id < 200; ++id)
        present += !StringOf(module_, id).empty();
    EXPECT_EQ(present, 57);
}

TEST_P(ResourceSetTest, ResourcesCarryTheLanguageOfTheirSet) {
    const LANGID lang = GetParam().language;
    EXPECT_NE(
        FindResourceExW(module_, reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(1), lang),
        nullptr);
    for (WORD id : {102, 130, 137, 138, 140, 141})
        EXPECT_NE(FindResourceExW(module_, reinterpret_cast<LPCWSTR>(RT_DIALOG),
                                  MAKEINTRESOURCEW(id), lang),
                  nullptr)
            << id;
    EXPECT_NE(
        FindResourceExW(module_, reinterpret_cast<LPCWSTR>(RT_MENU), MAKEINTRESOURCEW(136), lang),
        nullptr);
}

TEST_P(ResourceSetTest, DialogFramesHaveTheirStylesSizesAndFonts) {
    struct Frame {
        WORD id;
        short enCx, enCy, zhCx, zhCy;
        bool extended;
    } frames[] = {{102, 201, 166, 211, 190, true}, {130, 174, 92, 157, 92, false},
                  {137, 159, 60, 159, 60, false},  {138, 223, 124, 223, 116, true},
                  {140, 158, 60, 159, 60, false},  {141, 159, 118, 157, 115, false}};
    const std::wstring font = English() ? L"MS Sans Serif" : L"\u5B8B\u4F53";
    for (const Frame& f : frames) {
        DialogTemplate t = Dialog(f.id);
        SCOPED_TRACE("dialog " + std::to_string(f.id));
        EXPECT_EQ(t.extended, f.extended);
        EXPECT_EQ(t.cx, English() ? f.enCx : f.zhCx);
        EXPECT_EQ(t.cy, English() ? f.enCy : f.zhCy);
        EXPECT_EQ(t.font, font);
        EXPECT_EQ(t.pointSize, 10);
        const DWORD always = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME;
        EXPECT_EQ(t.style & always, always);
        // Only the default-PIN prompt is system-modal and has no close box.
        EXPECT_EQ((t.style & WS_SYSMENU) != 0, f.id != 141);
        EXPECT_EQ((t.style & DS_SYSMODAL) != 0, f.id == 141);
        EXPECT_EQ((t.exStyle & WS_EX_APPWINDOW) != 0, f.id == 102);
        EXPECT_EQ(t.Find(IDCANCEL) != nullptr, f.id != 141);
        for (const DialogItem& item : t.items) {
            if (item.className != L"Edit")
                continue;
            EXPECT_EQ(item.style & (ES_PASSWORD | ES_NUMBER), 0u) << "edit " << item.id;
            EXPECT_NE(item.style & WS_BORDER, 0u) << "edit " << item.id;
            EXPECT_NE(item.style & WS_TABSTOP, 0u) << "edit " << item.id;
            EXPECT_NE(item.style & ES_AUTOHSCROLL, 0u) << "edit " << item.id;
        }
    }
}

TEST_P(ResourceSetTest, MainDialogControlsAreTheListedOnesInTabOrder) {
    DialogTemplate t = Dialog(102);
    std::vector<int> ids;
    for (const DialogItem& item : t.items)
        ids.push_back(static_cast<int>(item.id));
    const std::vector<int> english = {1003, 1012, 1005, 1010, 1014, 1015, 1016, 2,
                                      1013, 1009, -1,   -1,   -1,   -1,   1021};
    const std::vector<int> chinese = {1003, 1012, 1005, 1010, 1014, 1015, 1016,
                                      2,    -1,   -1,   -1,   -1,   1021};
    EXPECT_EQ(ids, English() ? english : chinese);

    const DialogItem* tree = t.Find(1003);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(_wcsicmp(tree->className.c_str(), L"SysTreeView32"), 0); // class names ignore case
    EXPECT_NE(tree->exStyle & WS_EX_STATICEDGE, 0u);
    EXPECT_EQ(tree->style & 0xFFFF, 0u) << "the scan sets the tree styles, not the template";
    EXPECT_NE(tree->style & WS_TABSTOP, 0u);

    for (DWORD id : {1012u, 2u})
        EXPECT_EQ(t.Find(id)->style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON)) << id;
    for (DWORD id : {1005u, 1010u, 1014u, 1015u, 1016u, 1021u})
        EXPECT_EQ(t.Find(id)->style & 0xF, static_cast<DWORD>(BS_PUSHBUTTON)) << id;
    for (DWORD id : {1014u, 1015u, 1021u})
        EXPECT_EQ((t.Find(id)->style & BS_MULTILINE) != 0, English()) << id;
    if (English()) {
        EXPECT_EQ(t.Find(1013)->style & WS_VISIBLE, 0u);
        EXPECT_EQ(t.Find(1009)->style & WS_VISIBLE, 0u);
        EXPECT_EQ(Utf8(t.Find(1014)->text), "Re&gister\nCert");
        EXPECT_EQ(Utf8(t.Find(1021)->text), "&System\nInformation");
        EXPECT_EQ(Utf8(t.Find(2)->text), "&Quit");
    } else {
        EXPECT_EQ(t.Find(1013), nullptr);
        EXPECT_EQ(t.Find(1009), nullptr);
        EXPECT_EQ(Utf8(t.Find(1016)->text), u8"动态认证卡绑定");
        EXPECT_EQ(Utf8(t.Find(2)->text), u8"退出");
    }
    EXPECT_NE(t.Find(1005)->style & WS_VISIBLE, 0u);
    EXPECT_EQ(Utf8(t.caption), "Keystead");
}

TEST_P(ResourceSetTest, PinDialogTitlesMatchTheWindowSearches) {
    const std::string title92 = StringOf(module_, 92);
    EXPECT_EQ(Utf8(Dialog(141).caption), title92) << "a pulled token closes 141 by this title";
    if (English())
        EXPECT_EQ(Utf8(Dialog(130).caption), "Change PIN");
    else
        EXPECT_EQ(Utf8(Dialog(130).caption), title92);

    for (WORD id : {130, 141}) {
        DialogTemplate t = Dialog(id);
        ASSERT_GE(t.items.size(), 4u);
        EXPECT_EQ(t.items[0].id, 1000u);
        EXPECT_EQ(t.items[1].id, 1001u);
        EXPECT_EQ(t.items[2].id, 1002u);
        EXPECT_EQ(t.items[3].id, 1u);
        EXPECT_EQ(t.items[3].style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    }
    EXPECT_EQ(Utf8(Dialog(141).items.back().text),
              English() ? "Current default PIN is unsafe,please change it now! \tThe length of "
                          "the new PIN must be between 6 and 8"
                        : u8"当前口令为默认口令，请立即修改，\r口令长度为6-8位。");
    EXPECT_EQ(Dialog(140).items[0].id, 1020u);
    EXPECT_EQ(Dialog(137).items[0].id, 1007u);
}

TEST_P(ResourceSetTest, CardSerialFieldsRunInTheirOddNumbering) {
    DialogTemplate t = Dialog(138);
    std::vector<DWORD> edits;
    int transparentDashes = 0;
    for (const DialogItem& item : t.items) {
        if (item.className == L"Edit")
            edits.push_back(item.id);
        if (item.className == L"Static" && item.text == L"-" && (item.exStyle & WS_EX_TRANSPARENT))
            ++transparentDashes;
    }
    EXPECT_EQ(edits, (std::vector<DWORD>{1018, 1021, 1022, 1023, 1019, 1024, 1025, 1026}));
    EXPECT_EQ(transparentDashes, 6);
    const DialogItem* second = t.Find(1024);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->x, 64);
    EXPECT_EQ(second->y, 53);
}

// The three items keep their places; the support report comes after them.
TEST_P(ResourceSetTest, TrayMenuHoldsShowRefreshQuitThenTheSupportReport) {
    HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(136));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 4);
    const UINT ids[] = {32771, 32772, 32773, 32774};
    const char* english[] = {"Show Keystead", "Refresh", "Quit", "Support report..."};
    const char* chinese[] = {"Keystead", u8"刷新", u8"退出", u8"支持报告..."};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), ids[i]);
        wchar_t text[64] = {};
        GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(Utf8(text), English() ? english[i] : chinese[i]);
        UINT state = GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION);
        EXPECT_EQ(state & (MF_GRAYED | MF_CHECKED | MF_DISABLED), 0u);
    }
    DestroyMenu(menu);
}

namespace {

// The manifest of a program file, or "" when it carries none.
std::string ManifestOf(const std::string& path) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found =
        module ? FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
    std::string manifest;
    if (found)
        manifest.assign(static_cast<const char*>(LockResource(LoadResource(module, found))),
                        SizeofResource(module, found));
    if (module)
        FreeLibrary(module);
    return manifest;
}

} // namespace

// The 32-bit files that ship, each with its manifest: Keystead's with the look and the scale,
// Kestrun's, which has no window, without.
TEST(ShippedManifests, EveryShippedProgramRunsAsItsUserAndIsToldTheTrueVersion) {
    const std::string dir = keystead_test::ShippedBinDir();
    for (const char* file : {"\\Keystead.exe", "\\zh-CN\\Keystead.exe", "\\Kestrun.exe"}) {
        const std::string manifest = ManifestOf(dir + file);
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << file;
        EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos)
            << file;
        EXPECT_EQ(manifest.find("Common-Controls") != std::string::npos,
                  std::string(file) != "\\Kestrun.exe")
            << file;
    }
}

// The 16 by 16, 16-colour picture first, as it always was; then each larger size a scaled
// notification area, Alt+Tab or the taskbar asks for, as 8-bit and as 32-bit with alpha.
TEST_P(ResourceSetTest, IconKeepsItsSixteenColourPictureAndHasEverySizeInTwoDepths) {
    HRSRC group =
        FindResourceW(module_, MAKEINTRESOURCEW(128), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module_, group)));
    ASSERT_NE(dir, nullptr);
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    std::vector<std::string> images;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i; // width, height, colours, 0, planes, bits, size, id
        const WORD bits = *reinterpret_cast<const WORD*>(entry + 6);
        images.push_back(std::to_string(entry[0]) + "x" + std::to_string(entry[1]) + "/" +
                         std::to_string(entry[2] ? entry[2] : 0) + "/" + std::to_string(bits));
        // Each image is there, its header saying what the directory says.
        HRSRC image =
            FindResourceW(module_, MAKEINTRESOURCEW(*reinterpret_cast<const WORD*>(entry + 12)),
                          reinterpret_cast<LPCWSTR>(RT_ICON));
        ASSERT_NE(image, nullptr) << images.back();
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module_, image)));
        EXPECT_EQ(header->biWidth, entry[0]);
        EXPECT_EQ(header->biHeight, 2 * entry[1]);
        EXPECT_EQ(header->biBitCount, bits ? bits : 4);
    }
    EXPECT_EQ(images,
              (std::vector<std::string>{"16x16/16/4", "20x20/0/8", "24x24/0/8", "32x32/0/8",
                                        "40x40/0/8", "48x48/0/8", "20x20/0/32", "24x24/0/32",
                                        "32x32/0/32", "40x40/0/32", "48x48/0/32"}));
}

// Vista and later are told what Keystead was made for (type 24, id 1); the oldest families
// ignore it, and it names no function, so it costs them nothing.
TEST_P(ResourceSetTest, TheManifestRunsAsTheUserTellsTheTruthAndDrawsAtTheScreensScale) {
    const std::string manifest = ManifestOf(ProgramPath(GetParam()));
    ASSERT_FALSE(manifest.empty());
    for (const char* wanted :
         {"level=\"asInvoker\" uiAccess=\"false\"", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">true</dpiAware>",
          ">PerMonitorV2, System</dpiAwareness>"})
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
}

TEST_P(ResourceSetTest, VersionBlockNamesTheSetsVersionAndLanguage) {
    const std::string path = ProgramPath(GetParam());
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD minor = English() ? 2 : 1;
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(2, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(minor, 1));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], English() ? 0x0409 : 0x0804);
    EXPECT_EQ(translation[1], 1200);

    auto value = [&](const char* name) {
        std::string key =
            std::string("\\StringFileInfo\\") + (English() ? "040904b0" : "080404b0") + "\\" + name;
        char* text = nullptr;
        UINT n = 0;
        return VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &n) &&
                       text
                   ? std::string(text)
                   : std::string("<missing>");
    };
    EXPECT_EQ(value("FileVersion"), English() ? "1, 2, 0, 2" : "1, 1, 0, 2");
    EXPECT_EQ(value("ProductVersion"), English() ? "1, 2, 0, 2" : "1, 1, 0, 2");
    EXPECT_EQ(value("PrivateBuild"), English() ? "1.2.0.2" : "1.1.0.2");
    EXPECT_EQ(value("ProductName"), "Keystead");
    EXPECT_EQ(value("FileDescription"), "Keystead");
}

INSTANTIATE_TEST_SUITE_P(BothSets, ResourceSetTest, ::testing::ValuesIn(kSets),
                         [](const ::testing::TestParamInfo<ResourceSet>& param) {
                             return std::string(param.param.name);
                         });
