// The skin data core around the objects: construction values, the default
// Skin3rd list, loading failures, the SkinStream form, the small text
// helpers and the program's own bitmaps.
#include <gtest/gtest.h>

#include <string>

#include "fixture_skins.h"
#include "framework/graphics/BmpCodec.h"
#include "framework/system/CodePage.h"
#include "skin/data/SkinMessage.h"
#include "skin/data/SkinPlatform.h"

namespace {

// Collects what the reader would show the user.
class MessageCatcher {
public:
    MessageCatcher() {
        SetSkinMessageHook([this](const std::wstring& text) { messages.push_back(text); });
    }
    ~MessageCatcher() { SetSkinMessageHook(nullptr); }
    std::vector<std::wstring> messages;
};

}  // namespace

TEST(SkinDataCore, ConstructionValues) {
    TSkinDataCore d;
    EXPECT_FALSE(d.factive);
    EXPECT_EQ(d.fdisableTag, 99);
    // Bit n is member n: all 22 control kinds but xcMenuItem (2) and xcFastReport (21).
    EXPECT_EQ(d.FSkinControls.Bits(), 0x3FFFFFu & ~(1u << 2) & ~(1u << 21));
    EXPECT_EQ(d.fSkinOptions.Bits(), (1u << xoPreview) | (1u << xoToolbarBK) | (1u << xoCaptionButtonHint));
    EXPECT_EQ(d.fSkinOptions.Bits(), 0x448u);
    EXPECT_EQ(d.FContainers.Bits(), 0x3FFu);
    EXPECT_EQ(d.ftype, sfMainform);
    EXPECT_EQ(d.fversion, L"5.60.03.29");
    EXPECT_TRUE(d.fmenuauto);
    EXPECT_FALSE(d.fmenumerge);
    EXPECT_TRUE(d.fskinfile.empty());
    EXPECT_TRUE(d.Empty);
    EXPECT_TRUE(d.MenuMsg);
    EXPECT_EQ(d.SysIcon.PixelFormat(), pf24bit);
    ASSERT_NE(d.Button, nullptr);
    ASSERT_NE(d.Title, nullptr);
    EXPECT_EQ(d.Button->IDName, L"Buttons");
    const wchar_t* names[] = {L"", L"Left", L"Right", L"Top", L"Bottom"};
    for (size_t i = 1; i <= 4; ++i) {
        ASSERT_NE(d.border[i], nullptr) << "border " << i;
        EXPECT_EQ(d.border[i]->IDName, names[i]) << "border " << i;
    }
    EXPECT_EQ(d.MinCaption, nullptr);
    EXPECT_EQ(d.combox, nullptr);
    EXPECT_STREQ(kSkinControlTypeNames[xcSystemMenu], L"xcSystemMenu");
    EXPECT_STREQ(kSkinOptionNames[xoFormScrollbar], L"xoFormScrollbar");
    EXPECT_STREQ(kSkinFormTypeNames[sfDLL], L"sfDLL");
}

TEST(SkinDataCore, DefaultSkin3rdList) {
    TSkinDataCore d;
    const TStringList& list = d.f3rdControls;
    ASSERT_EQ(list.Count(), 118);
    EXPECT_EQ(list[0], L"TCategoryButtons=scrollbar");
    EXPECT_EQ(list[117], L"TOVCDBNUMERICFIELD=Edit");
    int fontSize = 0, checkboxEh = 0, wwCombo = 0;
    for (const auto& line : list) {
        const size_t eq = line.find(L'=');
        ASSERT_NE(eq, std::wstring::npos) << "line: " << WideToUtf8(line);
        EXPECT_GT(eq, 1u) << "line: " << WideToUtf8(line);
        EXPECT_LT(eq + 1, line.size()) << "line: " << WideToUtf8(line);
        EXPECT_EQ(line[0], L'T') << "line: " << WideToUtf8(line);
        fontSize += line == L"TLMDFontSizeCombobox=combobox";
        checkboxEh += line == L"TDBCheckboxEh=Checkbox";
        wwCombo += line == L"TWWDBCombobox=combobox";
    }
    EXPECT_EQ(fontSize, 2);
    EXPECT_EQ(checkboxEh, 2);
    EXPECT_EQ(wwCombo, 2);
}

TEST(SkinDataCore, LoadFailuresLeaveTheSkinAlone) {
    MessageCatcher catcher;
    auto d = LoadFixture("full");
    ASSERT_FALSE(d->Empty);

    struct Case {
        const char* name;
        Bytes data;
        size_t messages;
    } cases[] = {
        {"no package at all", {}, 0},
        {"unknown version", StorePackage({{"skin.ini", {'[', 'a', ']'}}}, 99999), 1},
        {"shorter than its length field", {1, 2}, 0},
    };
    for (const auto& c : cases) {
        catcher.messages.clear();
        SetBytes(*d, c.data);
        EXPECT_FALSE(d->LoadSkin()) << "case: " << c.name;
        EXPECT_TRUE(d->Empty) << "case: " << c.name;
        EXPECT_EQ(d->SkinName, L"Fixture Full") << "case: " << c.name;
        EXPECT_NE(d->combox, nullptr) << "case: " << c.name;
        EXPECT_EQ(d->reader, nullptr) << "case: " << c.name;
        EXPECT_EQ(d->ini, nullptr) << "case: " << c.name;
        ASSERT_EQ(catcher.messages.size(), c.messages) << "case: " << c.name;
        if (c.messages) {
            EXPECT_EQ(catcher.messages[0], kOlderSkinMessage) << "case: " << c.name;
        }
    }
}

TEST(SkinDataCore, PackageWithoutDescriptionBuildsTheDefaults) {
    TSkinDataCore d;
    SetBytes(d, StorePackage(
                    {{"left.bmp", ReadFileBytes(std::filesystem::path(TEST_SOURCE_DIR) / "fixtures/full/left.bmp")}}));
    ASSERT_TRUE(d.LoadSkin());
    EXPECT_FALSE(d.Empty);
    EXPECT_TRUE(d.border[1]->Map.Empty());
    EXPECT_EQ(d.combox, nullptr);
    EXPECT_EQ(d.Comboxborder, nullptr);
    EXPECT_EQ(d.progress, nullptr);
    EXPECT_EQ(d.SArrow, nullptr);
    ASSERT_NE(d.TrackBar, nullptr);
    ASSERT_NE(d.TrackBarVert, nullptr);
    ASSERT_NE(d.Toolbar, nullptr);
    ASSERT_NE(d.comboxarrow, nullptr);
    EXPECT_EQ(d.SysBtn.size(), 3u);
    EXPECT_EQ(d.Colors[csText], clWindowText);
    EXPECT_EQ(d.Colors[csCaption], clBtnFace);
    EXPECT_EQ(d.Title->FontHeight, 14);
}

TEST(SkinDataCore, SkinStreamForm) {
    const Bytes package = PackFixture("full");
    TSkinDataCore source;
    SetBytes(source, package);
    TMemoryStream stored;
    source.WriteSkinStream(stored);
    ASSERT_EQ(stored.Size(), static_cast<int64_t>(4 + package.size()));
    const uint8_t* p = stored.Memory();
    EXPECT_EQ(static_cast<size_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24), package.size());

    // Reading builds the skin from the bytes, which stay as they were.
    TSkinDataCore target;
    stored.SetPosition(0);
    target.ReadSkinStream(stored);
    EXPECT_EQ(target.data.Bytes(), package);
    EXPECT_FALSE(target.Empty);
    EXPECT_EQ(target.SkinName, L"Fixture Full");
    EXPECT_EQ(stored.Position(), stored.Size());

    // A count of 0: four bytes, and reading them changes nothing.
    TSkinDataCore none;
    TMemoryStream zero;
    none.WriteSkinStream(zero);
    EXPECT_EQ(zero.Bytes(), (Bytes{0, 0, 0, 0}));
    zero.SetPosition(0);
    target.ReadSkinStream(zero);
    EXPECT_EQ(target.data.Bytes(), package);
    EXPECT_FALSE(target.Empty);

    // A count the stream cannot deliver is a stream error, not a short package.
    TMemoryStream cut;
    cut.WriteBuffer(stored.Memory(), 100);
    cut.SetPosition(0);
    TSkinDataCore damaged;
    EXPECT_THROW(damaged.ReadSkinStream(cut), EStreamError);
    EXPECT_TRUE(damaged.Empty);
    EXPECT_EQ(damaged.data.Size(), 0);
    TMemoryStream huge;
    huge.WriteBuffer("\xFF\xFF\xFF\x7F", 4);
    huge.SetPosition(0);
    EXPECT_THROW(damaged.ReadSkinStream(huge), EStreamError);
    EXPECT_EQ(damaged.data.Size(), 0);
}

TEST(SkinDataCore, SmallHelpers) {
    struct FileNameCase {
        const wchar_t* text;
        const wchar_t* result;
    } names[] = {{L"skin.bmp", L"skin"}, {L"a.b.c", L"a"}, {L"noext", L""}, {L".hidden", L""}, {L"", L""}};
    for (const auto& c : names)
        EXPECT_EQ(TSkinDataCore::GetFileName(c.text), c.result) << "case: " << WideToUtf8(c.text);

    EXPECT_EQ(TSkinDataCore::GetColor("", clBtnFace), clBtnFace);
    EXPECT_EQ(TSkinDataCore::GetColor("211 211 211", clBtnFace), ColorFromRGB(211, 211, 211));
    EXPECT_EQ(TSkinDataCore::GetColor("7", clBtnFace), 0);
    EXPECT_EQ(RGBToColor(1, 2, 3), 0x030201);

    EXPECT_EQ(WStr(L"abc"), L"abc");
    EXPECT_EQ(WStr(L"abcdef", 3), L"abc");
    EXPECT_EQ(WStr(L"ab\0cd", 5), L"ab");
    EXPECT_EQ(WStr(nullptr), L"");
    EXPECT_EQ(WideStringToStringEx(StrToWideStr("skin name")), "skin name");

    TSkinDataCore d;
    d.DoDebug(L"nobody listens");
    TStringList log;
    d.DebugList = &log;
    d.DoDebug(L"one");
    ASSERT_EQ(log.Count(), 1);
    EXPECT_EQ(log[0], L"one");
}

TEST(SkinDataCore, ProgramBitmapsAndTheirResourceFiles) {
    struct Case {
        const wchar_t* name;
        int width, height;
        TPixelFormat format;
    } cases[] = {{L"TRACK", 16, 4, pf24bit}, {L"TRACKVERT", 4, 16, pf24bit}, {L"QUILLETMENU", 64, 16, pf1bit}};
    for (const auto& c : cases) {
        const std::string name = WideToUtf8(c.name);
        auto drawn = DrawProgramBitmap(c.name);
        ASSERT_NE(drawn, nullptr) << "case: " << name;
        EXPECT_EQ(drawn->Width(), c.width) << "case: " << name;
        EXPECT_EQ(drawn->Height(), c.height) << "case: " << name;
        EXPECT_EQ(drawn->PixelFormat(), c.format) << "case: " << name;
        // The files linked into the program hold the same pictures.
        const Bytes file =
            ReadFileBytes(std::filesystem::path(TEST_SOURCE_DIR) / "../../../skin/data/res" / (name + ".bmp"));
        TBitmap fromFile;
        ASSERT_TRUE(ReadBmpFile(file.data(), file.size(), fromFile)) << "case: " << name;
        EXPECT_EQ(fromFile.PixelFormat(), c.format) << "case: " << name;
        ASSERT_EQ(fromFile.Width(), c.width) << "case: " << name;
        ASSERT_EQ(fromFile.Height(), c.height) << "case: " << name;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(fromFile.Pixel(x, y), drawn->Pixel(x, y)) << "case: " << name << " at " << x << "," << y;
    }
    EXPECT_EQ(DrawProgramBitmap(L"OTHER"), nullptr);

    // The channel: grey then silver along the top and left, white inside.
    auto track = DrawProgramBitmap(L"TRACK");
    EXPECT_EQ(track->Pixel(5, 0), ColorFromRGB(128, 128, 128));
    EXPECT_EQ(track->Pixel(0, 3), ColorFromRGB(128, 128, 128));
    EXPECT_EQ(track->Pixel(5, 1), ColorFromRGB(192, 192, 192));
    EXPECT_EQ(track->Pixel(5, 3), clWhite);
    // Glyphs black on white: the close glyph's X crosses its middle.
    auto glyphs = DrawProgramBitmap(L"QUILLETMENU");
    EXPECT_EQ(glyphs->Pixel(48 + 7, 6), clBlack);
    EXPECT_EQ(glyphs->Pixel(48, 0), clWhite);
}
