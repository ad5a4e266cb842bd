// The resources of both executables, read from the files as Windows reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/printable.h"
#include "tests/e2e/tavrimo_process.h"

namespace {

constexpr WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);           // 1033

// A resource module loaded as data, so that the 32-bit file can be read too.
class Module {
  public:
    explicit Module(const std::wstring& path) : path_(path) {
        handle_ = LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~Module() {
        if (handle_) FreeLibrary(handle_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    HMODULE handle() const { return handle_; }
    const std::wstring& path() const { return path_; }
    // The bytes of a resource in one language; empty when there is none.
    std::vector<BYTE> Resource(LPCWSTR type, LPCWSTR name, WORD language) const {
        HRSRC found = FindResourceExW(handle_, type, name, language);
        if (!found) return {};
        auto* data = static_cast<const BYTE*>(LockResource(LoadResource(handle_, found)));
        return {data, data + SizeofResource(handle_, found)};
    }

  private:
    std::wstring path_;
    HMODULE handle_;
};

// Reads an extended dialog template field by field.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : bytes_(bytes) {}
    template <class T>
    T Read() {
        T value{};
        if (at_ + sizeof(T) <= bytes_.size()) std::memcpy(&value, &bytes_[at_], sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    // A string, or an ordinal written as "#number".
    std::wstring ReadStringOrOrdinal() {
        if (Peek() == 0xFFFF) {
            Read<WORD>();
            return L"#" + std::to_wstring(Read<WORD>());
        }
        return ReadString();
    }
    std::wstring ReadString() {
        std::wstring text;
        while (WORD c = Read<WORD>()) text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    void AlignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
    bool AtEnd() const { return at_ >= bytes_.size(); }

  private:
    WORD Peek() const {
        WORD value = 0;
        if (at_ + 2 <= bytes_.size()) std::memcpy(&value, &bytes_[at_], 2);
        return value;
    }
    const std::vector<BYTE>& bytes_;
    std::size_t at_ = 0;
};

struct DialogSpec {
    DWORD exStyle, style;
    short x, y, cx, cy;
    const wchar_t* caption;
};

struct ItemSpec {
    DWORD id;
    const wchar_t* className;  // predefined classes are ordinals
    const wchar_t* text;
    DWORD style;
    short x, y, cx, cy;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const ItemSpec kMainItems[] = {
    {0xFFFFFFFF, L"#130", L"您的身高长度为：", kChild | WS_GROUP, 7, 14, 67, 8},
    {EDIT_HEIGHT, L"#129", L"", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 91, 10, 67, 14},
    {0xFFFFFFFF, L"#130", L"厘米", kChild | WS_GROUP, 164, 13, 17, 8},
    {0xFFFFFFFF, L"#130", L"您的正常勃起长度为：", kChild | WS_GROUP, 7, 33, 81, 8},
    {0xFFFFFFFF, L"#130", L"您的正常勃起直径为：", kChild | WS_GROUP, 7, 49, 81, 8},
    {EDIT_LENGTH, L"#129", L"", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, 92,
     30, 120, 14},
    {EDIT_DIAMETER, L"#129", L"", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY,
     91, 48, 121, 14},
    {BUTTON_CALCULATE, L"#128", L"计算", kChild | WS_TABSTOP, 265, 40, 50, 14},
    {BUTTON_EXIT, L"#128", L"退出", kChild | WS_TABSTOP, 265, 61, 50, 14},
    {0xFFFFFFFF, L"#130", L"厘米", kChild | WS_GROUP, 215, 33, 17, 8},
    {0xFFFFFFFF, L"#130", L"厘米", kChild | WS_GROUP, 215, 50, 17, 8},
};

const ItemSpec kAboutItems[] = {
    {0xFFFFFFFF, L"#130", L"#128", kChild | SS_ICON, 11, 17, 20, 20},
    {0xFFFFFFFF, L"#130", L"Tavrimo 1.0 版", kChild | SS_NOPREFIX | WS_GROUP, 40, 10, 119, 8},
    {0xFFFFFFFF, L"#130", L"仅供娱乐，不作医学依据。", kChild | WS_GROUP, 40, 25, 119, 8},
    {IDOK, L"#128", L"确定", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 178, 7, 50, 16},
};

void CheckDialog(const Module& module, int id, const DialogSpec& dialog,
                 const std::vector<ItemSpec>& items) {
    SCOPED_TRACE(testing::Message() << "dialog " << id);
    std::vector<BYTE> bytes = module.Resource(RT_DIALOG, MAKEINTRESOURCEW(id), kChinesePrc);
    ASSERT_FALSE(bytes.empty()) << "no dialog in language 2052";
    TemplateReader t(bytes);
    EXPECT_EQ(t.Read<WORD>(), 1);       // dlgVer
    EXPECT_EQ(t.Read<WORD>(), 0xFFFF);  // signature of an extended template
    EXPECT_EQ(t.Read<DWORD>(), 0u);     // help id
    EXPECT_EQ(Hex(t.Read<DWORD>()), Hex(dialog.exStyle));
    EXPECT_EQ(Hex(t.Read<DWORD>()), Hex(dialog.style));
    WORD count = t.Read<WORD>();
    EXPECT_EQ(count, items.size());
    EXPECT_EQ(t.Read<short>(), dialog.x);
    EXPECT_EQ(t.Read<short>(), dialog.y);
    EXPECT_EQ(t.Read<short>(), dialog.cx);
    EXPECT_EQ(t.Read<short>(), dialog.cy);
    EXPECT_EQ(t.ReadStringOrOrdinal(), L"");  // no menu
    EXPECT_EQ(t.ReadStringOrOrdinal(), L"");  // no class
    EXPECT_EQ(t.ReadString(), dialog.caption);
    EXPECT_EQ(t.Read<WORD>(), 9);  // point size
    EXPECT_EQ(t.Read<WORD>(), 0);  // weight
    EXPECT_EQ(t.Read<BYTE>(), 0);  // italic
    EXPECT_EQ(t.Read<BYTE>(), 1);  // character set
    EXPECT_EQ(t.ReadString(), L"宋体");

    // Compared up to the first control out of step: after it, every later one would differ too.
    const testing::TestResult& result =
        *testing::UnitTest::GetInstance()->current_test_info()->result();
    for (std::size_t i = 0; i < count && i < items.size(); ++i) {
        const ItemSpec& item = items[i];
        SCOPED_TRACE(testing::Message()
                     << "control " << i + 1 << ", id " << static_cast<int>(item.id) << ", "
                     << Printable(item.text));
        const int failures = result.total_part_count();
        t.AlignToDword();
        EXPECT_EQ(t.Read<DWORD>(), 0u);  // help id
        EXPECT_EQ(t.Read<DWORD>(), 0u);  // extended style
        EXPECT_EQ(Hex(t.Read<DWORD>()), Hex(item.style));
        EXPECT_EQ(t.Read<short>(), item.x);
        EXPECT_EQ(t.Read<short>(), item.y);
        EXPECT_EQ(t.Read<short>(), item.cx);
        EXPECT_EQ(t.Read<short>(), item.cy);
        EXPECT_EQ(t.Read<DWORD>(), item.id);
        EXPECT_EQ(Printable(t.ReadStringOrOrdinal()), Printable(item.className));
        EXPECT_EQ(Printable(t.ReadStringOrOrdinal()), Printable(item.text));
        EXPECT_EQ(t.Read<WORD>(), 0);  // no creation data
        if (result.total_part_count() > failures) {
            ADD_FAILURE() << "controls after control " << i + 1 << " not compared";
            break;
        }
    }
}

// The Tavrimo.exe beside the tests: the one they run, in the build folder or the test kit.
class Resources : public testing::Test {
  protected:
    Resources() : module(ProgramFolder() + L"\\Tavrimo.exe") {}
    Module module;
};

TEST_F(Resources, MainDialogTemplate) {
    ASSERT_NE(module.handle(), nullptr);
    CheckDialog(module, DLG_MAIN, {WS_EX_APPWINDOW, 0x90C800C0, 0, 0, 322, 82, L"Tavrimo"},
                {std::begin(kMainItems), std::end(kMainItems)});
}

TEST_F(Resources, AboutBoxTemplate) {
    ASSERT_NE(module.handle(), nullptr);
    CheckDialog(module, DLG_ABOUT, {0, 0x80C800C8, 0, 0, 235, 55, L"关于 Tavrimo"},
                {std::begin(kAboutItems), std::end(kAboutItems)});
}

TEST_F(Resources, AboutEntryString) {
    ASSERT_NE(module.handle(), nullptr);
    // Strings live in blocks of 16: string 101 is entry 5 of block 7.
    std::vector<BYTE> block =
        module.Resource(RT_STRING, MAKEINTRESOURCEW(101 / 16 + 1), kChinesePrc);
    ASSERT_FALSE(block.empty());
    TemplateReader t(block);
    for (int i = 0; i < 101 % 16; ++i) {
        WORD length = t.Read<WORD>();
        for (WORD j = 0; j < length; ++j) t.Read<WORD>();
    }
    std::wstring text(t.Read<WORD>(), L'\0');
    for (wchar_t& c : text) c = static_cast<wchar_t>(t.Read<WORD>());
    EXPECT_EQ(text, L"关于 Tavrimo(&A)...");
}

TEST_F(Resources, IconGroupHoldsNineImages) {
    ASSERT_NE(module.handle(), nullptr);
    std::vector<BYTE> group =
        module.Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(ICON_APP), kChinesePrc);
    ASSERT_GE(group.size(), 6u);
    TemplateReader t(group);
    t.Read<WORD>();
    EXPECT_EQ(t.Read<WORD>(), 1);  // icons, not cursors
    WORD count = t.Read<WORD>();
    ASSERT_EQ(count, 9);
    std::vector<std::pair<int, int>> images;  // size, bits per pixel
    for (WORD i = 0; i < count; ++i) {
        BYTE width = t.Read<BYTE>();
        BYTE height = t.Read<BYTE>();
        t.Read<BYTE>();  // colours
        t.Read<BYTE>();  // reserved
        t.Read<WORD>();  // planes
        WORD bits = t.Read<WORD>();
        t.Read<DWORD>();  // bytes
        WORD id = t.Read<WORD>();
        EXPECT_EQ(width, height);
        EXPECT_FALSE(module.Resource(RT_ICON, MAKEINTRESOURCEW(id), kChinesePrc).empty());
        images.emplace_back(width, bits);
    }
    std::sort(images.begin(), images.end());
    EXPECT_EQ(
        images,
        (std::vector<std::pair<int, int>>{
            {16, 4}, {16, 8}, {16, 24}, {32, 4}, {32, 8}, {32, 24}, {48, 4}, {48, 8}, {48, 24}}));
}

TEST_F(Resources, VersionRecord) {
    std::vector<BYTE> version = module.Resource(RT_VERSION, MAKEINTRESOURCEW(1), kChinesePrc);
    ASSERT_FALSE(version.empty());
    void* value = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", &value, &size));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x4u);
    EXPECT_EQ(fixed->dwFileType, 0x1u);

    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", &value, &size));
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0804);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 936);
    for (const wchar_t* name : {L"InternalName", L"OriginalFilename"}) {
        std::wstring key = std::wstring(L"\\StringFileInfo\\080403a8\\") + name;
        ASSERT_TRUE(VerQueryValueW(version.data(), key.c_str(), &value, &size)) << name;
        EXPECT_STREQ(static_cast<const wchar_t*>(value), L"Tavrimo.exe");
    }
    // The record declares code page 936, so a reader through the ANSI API gets it there.
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\080403a8\\LegalCopyright",
                               &value, &size));
    BOOL lossy = FALSE;
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, static_cast<const wchar_t*>(value), -1, nullptr,
                        0, nullptr, &lossy);
    EXPECT_FALSE(lossy) << "the copyright text has a character that code page 936 lacks";
}

TEST_F(Resources, ManifestNamesNoRunTimeAssemblies) {
    std::vector<BYTE> bytes = module.Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), kEnglishUs);
    ASSERT_FALSE(bytes.empty()) << "no manifest in language 1033";
    std::string manifest(bytes.begin(), bytes.end());
    EXPECT_EQ(manifest.find("Microsoft.VC80"), std::string::npos);
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest.find("<dependency"), std::string::npos);
#if defined(_WIN64)
    EXPECT_NE(manifest.find("processorArchitecture=\"amd64\""), std::string::npos);
#else
    EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
#endif
}

}  // namespace
