// skinview's gallery under its built-in skin and under the complete skin
// installed beside it: every framework control that
// has a window, and every helper window the skin lays over one, answers
// CN_SkinQuery with 1 once the gallery is skinned. A control kind the
// selection tables name but that is left as it is shows up by its class.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/form/SkinManager.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tools/skinview/Gallery.h"

namespace {

// Every descendant window of parent, depth first.
void CollectWindows(HWND parent, std::vector<HWND>& out) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        out.push_back(child);
        CollectWindows(child, out);
    }
}

}  // namespace

class SkinviewGallery : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(SkinviewGallery, EveryControlKindAnswersAsSkinned) {
    const std::wstring package = GetParam();
    const std::string skinName = package.empty() ? "the built-in skin" : "the complete skin";
    auto* gallery = new TGalleryForm(nullptr);
    ASSERT_TRUE(gallery->LoadSkin(package, true)) << skinName;
    gallery->Show();
    const HWND form = gallery->Handle();
    ASSERT_TRUE(test_support::PumpUntil([&] { return SendMessageW(form, CN_SkinQuery, 0, 0) == 1; }, 15000))
        << "the gallery is skinned";
    test_support::Pump(20);

    std::vector<HWND> windows;
    CollectWindows(form, windows);
    std::set<std::wstring> kinds, unskinned;
    std::map<std::wstring, int> counts;
    for (HWND w : windows) {
        // Only windows of framework controls: the inner windows of system
        // controls (a combo box's edit, a list view's header) are their
        // owners' business.
        TWinControl* control = FindControl(w);
        if (!control || control->WindowHandle() != w || !IsWindowVisible(w)) continue;
        const std::wstring cls = control->ClassName();
        kinds.insert(cls);
        ++counts[cls];
        if (SendMessageW(w, CN_SkinQuery, 0, 0) != 1) unskinned.insert(cls);
    }
    // The gallery's own kinds, so a control that vanished from it is noticed.
    for (const wchar_t* expected : {L"TButton", L"TBitBtn", L"TCheckBox", L"TRadioButton", L"TGroupBox", L"TPanel",
                                    L"TProgressBar", L"TToolBar", L"TControlBar", L"TWMediaPlayer"})
        EXPECT_TRUE(kinds.count(expected))
            << "the gallery shows a " << std::string(expected, expected + wcslen(expected));
    std::string names;
    for (const std::wstring& cls : unskinned) names += std::string(cls.begin(), cls.end()) + " ";
    EXPECT_TRUE(unskinned.empty()) << "answer 0 under " << skinName << ": " << names;
    EXPECT_EQ(counts[L"TPanel"], 2);
    EXPECT_EQ(counts[L"TWMediaPlayer"], 2);
    delete gallery;
    test_support::Pump(5);
}

INSTANTIATE_TEST_SUITE_P(BothSkins, SkinviewGallery, ::testing::Values(L"", L"" COMPLETE_SKIN_PACKAGE));

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    Application->Initialize();
    InstallControlSkinning();
    const int rc = RUN_ALL_TESTS();
    FreeSkinManager();
    return rc;
}
