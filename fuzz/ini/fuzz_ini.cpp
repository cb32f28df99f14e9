// TQuickIni: load any text, then read every section and key it lists and the
// keys the skin loader asks for; the compressed form too.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/system/CodePage.h"
#include "skin/data/WinSkinIni.h"

namespace {
void ReadAll(TQuickIni& ini) {
    TStringList sections, keys, lines;
    ini.ReadSections(&sections);
    // Each lookup scans its section, so the work per input is capped.
    int budget = 256;
    for (const auto& section : sections) {
        if (--budget < 0) break;
        std::string s = WideToAnsi(section);
        ini.ReadSection(s, &keys);
        ini.ReadSectionValues(s, &lines);
        for (const auto& key : keys) {
            if (--budget < 0) break;
            std::string k = WideToAnsi(key);
            std::string v = ini.ReadString(s, k, "");
            (void)RGBTextToColor(v);
            (void)ini.ReadInteger(s, k, -1);
            (void)ini.ReadBool(s, k, false);
        }
    }
    static const char* const probes[][2] = {{"Personality", "Left"},      {"Personality", "LeftFrame"},
                                            {"Colours", "ButtonFace"},    {"Buttons", "Bitmap"},
                                            {"TitlebarSkin", "SkinName"}, {"Fonts", "FontHeight"}};
    for (const auto& p : probes) {
        (void)RGBTextToColor(ini.ReadString(p[0], p[1], ""));
        (void)ini.ReadInteger(p[0], p[1], 1);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream text;
    text.WriteBuffer(data, static_cast<int64_t>(size));
    text.SetPosition(0);
    TQuickIni ini;
    ini.LoadFromStream(&text);
    ReadAll(ini);

    // Saving and loading again keeps the lines.
    TMemoryStream saved;
    ini.SaveToStream(&saved);
    saved.SetPosition(0);
    TQuickIni again;
    again.LoadFromStream(&saved);
    if (again.FIniFile.Count() != ini.FIniFile.Count()) std::abort();

    TQuickIni zipped;
    if (zipped.LoadFromZip(&text)) ReadAll(zipped);
    return 0;
}
