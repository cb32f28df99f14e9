#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/data/WinSkinIni.h"
#include "skin_test_util.h"

namespace {
std::string IniText() {
    static const char raw[] =
        "; comment line\r\n"
        "orphan=before any section\r\n"
        "\r\n"
        "  [Colours]  \n"
        "ButtonFace = 211 211 211\r"
        "Empty=\r\n"
        "Dup=first\r\n"
        "DUP=second\r\n"
        "Equation=a=b=c\r\n"
        "NoEquals\r\n"
        "  ;indented comment\r\n"
        "[ Spaced ]\r\n"
        "Key=spaced\r\n"
        "[colours]\r\n"
        "Other=second section\r\n"
        "[Numbers]\r\n"
        "Hex=0x1F\r\n"
        "HexUpper=0XfF\r\n"
        "Neg=-12\r\n"
        "Plus=+7\r\n"
        "Trail=12abc\r\n"
        "OnlyX=0x\r\n"
        "HexBad=0xZZ\r\n"
        "Big=2147483648\r\n"
        "Min=-2147483648\r\n"
        "AllF=0xFFFFFFFF\r\n"
        "Padded =   42   \r\n"
        "Zero=0\r\n"
        "[Last]\r\n"
        "K=v\r\n"
        "\0[Hidden]\r\nK=hidden\r\n";
    return std::string(raw, sizeof raw - 1);
}

void LoadText(TQuickIni& ini, const std::string& text) {
    TMemoryStream s;
    Fill(s, Text(text));
    ini.LoadFromStream(&s);
}

std::vector<std::wstring> Items(const TStringList& l) {
    return {l.begin(), l.end()};
}

class QuickIniTest : public ::testing::Test {
protected:
    void SetUp() override { LoadText(ini, IniText()); }
    TQuickIni ini;
};
}  // namespace

TEST_F(QuickIniTest, ReadStringFollowsTheLookupRules) {
    struct Case {
        const char *section, *key, *expected;
    } cases[] = {
        {"Colours", "buttonface", "211 211 211"},
        {"COLOURS", "BUTTONFACE", "211 211 211"},
        {"Colours", "Empty", "default"},
        {"Colours", "dup", "first"},
        {"Colours", "Equation", "a=b=c"},
        {"Colours", "NoEquals", "default"},
        {"Colours", "", "default"},
        {"Colours", "Other", "default"},  // only the first [Colours] is searched
        {"Spaced", "Key", "default"},
        {" Spaced ", "Key", "spaced"},
        {"", "orphan", "default"},
        {"Missing", "K", "default"},
        {"Last", "K", "v"},
        {"Hidden", "K", "default"},  // after the NUL
        {"Numbers", "Padded", "42"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), c.expected) << "case: " << c.section << "/" << c.key;
    EXPECT_EQ(ini.FIniFile.Count(), 27);  // blank and comment lines dropped, text ends at the NUL
}

TEST_F(QuickIniTest, ReadIntegerTakesDecimalOrHexAfter0x) {
    struct Case {
        const char* key;
        int32_t expected;
    } cases[] = {
        {"Hex", 31},    {"HexUpper", 255}, {"Neg", -12},     {"Plus", 7},        {"Trail", -99},
        {"OnlyX", -99}, {"HexBad", -99},   {"Big", -99},     {"Min", INT32_MIN}, {"AllF", -1},
        {"Padded", 42}, {"Zero", 0},       {"Missing", -99},
    };
    for (const auto& c : cases) EXPECT_EQ(ini.ReadInteger("Numbers", c.key, -99), c.expected) << "case: " << c.key;
    EXPECT_TRUE(ini.ReadBool("Numbers", "Neg", false));
    EXPECT_FALSE(ini.ReadBool("Numbers", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("Numbers", "Missing", true));
    EXPECT_FALSE(ini.ReadBool("Numbers", "Trail", false));
}

TEST_F(QuickIniTest, ListsSectionsKeysAndLinesAndAssertsOnMissingList) {
    TStringList out;
    out.Add(L"stale");
    ini.ReadSections(&out);
    EXPECT_EQ(Items(out), (std::vector<std::wstring>{L"Colours", L"Spaced", L"colours", L"Numbers", L"Last"}));
    ini.ReadSection("colours", &out);
    EXPECT_EQ(Items(out), (std::vector<std::wstring>{L"buttonface", L"empty", L"dup", L"dup", L"equation"}));
    ini.ReadSectionValues("Last", &out);
    EXPECT_EQ(Items(out), std::vector<std::wstring>{L"K=v"});
    ini.ReadSection("Missing", &out);
    EXPECT_EQ(out.Count(), 0);

    for (int which = 0; which < 3; ++which) {
        try {
            if (which == 0) ini.ReadSections(nullptr);
            if (which == 1) ini.ReadSection("Last", nullptr);
            if (which == 2) ini.ReadSectionValues("Last", nullptr);
            ADD_FAILURE() << "case: " << which << " did not assert";
        } catch (const ENoTargetList& e) {
            EXPECT_EQ(e.Message(), L"The parameter Strings is unassigned!") << "case: " << which;
        }
    }
}

TEST(QuickIni, LineOperations) {
    EXPECT_EQ(TQuickIni::GetName(L"  Left Width = 3 "), L"left width");
    EXPECT_EQ(TQuickIni::GetName(L"no equals"), L"");
    EXPECT_EQ(TQuickIni::GetValue(L"Key = a = b ", L"key"), L"a = b");
    EXPECT_EQ(TQuickIni::GetValue(L"Key=a", L"other"), L"");
    EXPECT_EQ(TQuickIni::GetValue(L"=a", L""), L"");
    EXPECT_TRUE(TQuickIni::IsSection(L" [x] "));
    EXPECT_TRUE(TQuickIni::IsSection(L"[]"));
    EXPECT_FALSE(TQuickIni::IsSection(L"[x"));
    EXPECT_FALSE(TQuickIni::IsSection(L"["));
    EXPECT_FALSE(TQuickIni::IsSection(L"x]"));
}

TEST(QuickIni, LoadsFromTheStreamPositionAndIgnoresNoStream) {
    TQuickIni ini;
    TMemoryStream s;
    Fill(s, Text("[Skip]\r\nK=skipped\r\n[Read]\r\nK=read\r\n"));
    s.SetPosition(18);
    ini.LoadFromStream(&s);
    EXPECT_EQ(ini.ReadString("Read", "K", ""), "read");
    EXPECT_EQ(ini.GetSectionIndex(L"Skip"), -1);
    ini.LoadFromStream(nullptr);
    EXPECT_EQ(ini.ReadString("Read", "K", ""), "read");
}

TEST(QuickIni, ChineseValuesCrossTheInterfaceAsAnsi) {
    TQuickIni ini;
    std::string name = WideToAnsi(L"蓝色皮肤");
    LoadText(ini, "[TitlebarSkin]\r\nSkinName=" + name + "\r\n");
    EXPECT_EQ(ini.ReadString("TitlebarSkin", "SkinName", ""), name);
}

TEST(RGBText, ParsesThreeNumbersRedFirst) {
    struct Case {
        const char* text;
        uint32_t expected;
    } cases[] = {
        {"211 211 211", 0xD3D3D3},
        {" 1,2,3 ", 0x030201},
        {"x1y2z3", 0x030201},
        {"", 0},
        {"   ", 0},
        {"255", 0},          // a lone run at the end is not the third
        {"1 2", 0x000001},   // neither is the second
        {"1 2 ", 0x000001},  // trimmed first: no separator after the 2
        {"1 2;", 0x000201},
        {"1 2 3 4", 0x030201},
        {"256 257 258", 0x020100},  // low 8 bits
        {"999999999999 0 0", 0xFF},
        {"-5 6 7", 0x070605},  // the sign is a separator
    };
    for (const auto& c : cases) EXPECT_EQ(RGBTextToColor(c.text), c.expected) << "case: \"" << c.text << "\"";
}

TEST_F(QuickIniTest, WritesReplaceAppendAndDelete) {
    ini.WriteString("Colours", "DUP", "third");     // replaces the line reading sees
    ini.WriteString("Colours", "NewKey", " new ");  // goes to the end of the first [Colours]
    ini.WriteInteger("Brand New", "Count", -3);     // new section at the end
    ini.WriteBool("Brand New", "Flag", true);
    EXPECT_EQ(ini.ReadString("Colours", "dup", ""), "third");
    EXPECT_EQ(ini.ReadString("Colours", "NewKey", ""), "new");
    EXPECT_EQ(ini.ReadInteger("Brand New", "Count", 0), -3);
    EXPECT_TRUE(ini.ReadBool("Brand New", "Flag", false));
    EXPECT_EQ(ini.ReadString("Spaced", "NewKey", "none"), "none");
    int colours = ini.GetSectionIndex(L"Colours");
    EXPECT_EQ(ini.FIniFile[colours + 7], L"NewKey=new");  // after the last line of the section
    EXPECT_TRUE(TQuickIni::IsSection(ini.FIniFile[colours + 8]));

    ini.DeleteKey("Colours", "dup");
    EXPECT_EQ(ini.ReadString("Colours", "Dup", "gone"), "gone");
    ini.EraseSection("Numbers");
    EXPECT_EQ(ini.ReadInteger("Numbers", "Hex", -1), -1);
    EXPECT_EQ(ini.ReadString("Last", "K", ""), "v");

    TMemoryStream saved;
    ini.SaveToStream(&saved);
    TQuickIni again;
    saved.SetPosition(0);
    again.LoadFromStream(&saved);
    EXPECT_EQ(Items(again.FIniFile), Items(ini.FIniFile));
}

TEST(QuickIni, CompressedFormRoundTripsAndReadsReferenceStreams) {
    TQuickIni ini;
    TMemoryStream zip;
    Fill(zip, ReadFixture("lzh/ini3k.lzh"));
    ASSERT_TRUE(ini.LoadFromZip(&zip));
    EXPECT_EQ(ini.ReadString("Personality", "Name", ""), "Harbour Dusk");
    EXPECT_EQ(ini.ReadInteger("Caption", "TopHeight", 0), 22);

    TMemoryStream packed;
    ini.SavetoZip(&packed);
    TQuickIni back;
    ASSERT_TRUE(back.LoadFromZip(&packed));
    EXPECT_EQ(Items(back.FIniFile), Items(ini.FIniFile));

    TMemoryStream broken;
    Fill(broken, {0xFF, 0xFF, 0, 0, 1});  // declares far more than one byte can hold
    EXPECT_FALSE(back.LoadFromZip(&broken));
    EXPECT_EQ(back.ReadString("Personality", "Name", ""), "Harbour Dusk");
}
