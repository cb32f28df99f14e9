// The skin data component and the skin manager's registration part under
// Wine: reading a form, Loaded, Active and the manager's requests, the CBT
// hook, the choice of skin data and the tests a window must pass before it
// would be skinned.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "skin/data/SkinMessage.h"
#include "skin/data/SkinPlatform.h"
#include "skin/data/SkinStore.h"
#include "skin/data/Winconvert.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/SkinFixture.h"
#include "tools/skinpack/SkinPack.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::PumpUntil;
using test_support::SkinStreamOf;

Bytes ReadFileBytes(const std::filesystem::path& path) {
    TFileStream file(path.wstring(), fmOpenRead | fmShareDenyWrite);
    Bytes out(static_cast<size_t>(file.Size()));
    if (!out.empty()) file.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

std::filesystem::path FixtureFolder(const char* name) {
    return std::filesystem::path(TEST_SOURCE_DIR) / "../../native/skin_objects/fixtures" / name;
}

// The fixture skin packed by skinpack's writer (cached: packing takes a while).
const Bytes& Package(const char* name) {
    static std::map<std::string, Bytes> cache;
    auto& bytes = cache[name];
    if (bytes.empty()) {
        const auto file = std::filesystem::path(TEST_BINARY_DIR) / (std::string(name) + ".skin");
        EXPECT_EQ(BuildSkinPackage(FixtureFolder(name), file), "");
        bytes = ReadFileBytes(file);
    }
    return bytes;
}

Bytes UnknownVersionPackage() {
    Bytes expanded = ExpandedSkinPackage({{"skin.ini", {'[', 'x', ']'}}}, "old");
    expanded[0] = 0x9F;  // version 99999: 0x0001869F
    expanded[1] = 0x86;
    expanded[2] = 0x01;
    TMemoryStream in, out;
    in.WriteBuffer(expanded.data(), static_cast<int64_t>(expanded.size()));
    LZHPackStream(in, out);
    return out.Bytes();
}

// A skin data component as the form reader treats it: properties set while
// the component is marked as loading, then Loaded.
class ReadSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

std::atomic<int> probeWindowsCreated{0};

LRESULT CALLBACK CountProbeWindows(int code, WPARAM w, LPARAM l) {
    wchar_t cls[64] = L"";
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(w), cls, 64) &&
        std::wstring(cls) == L"SkinHookProbe")
        ++probeWindowsCreated;
    return CallNextHookEx(nullptr, code, w, l);
}

class MessageCatcher {
public:
    MessageCatcher() {
        SetSkinMessageHook([this](const std::wstring& text) { messages.push_back(text); });
    }
    ~MessageCatcher() { SetSkinMessageHook(nullptr); }
    std::vector<std::wstring> messages;
};

// A bare top-level window of a class registered here.
HWND MakeWindow(const wchar_t* className, DWORD style = WS_OVERLAPPEDWINDOW, int width = 200, int height = 100,
                HWND parent = nullptr) {
    WNDCLASSW wc{};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), className, &wc)) {
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    return CreateWindowExW(0, className, L"", style, 10, 10, width, height, parent, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

class SkinManagerTest : public ::testing::Test {
protected:
    void SetUp() override { FreeSkinManager(); }
    void TearDown() override {
        data_.clear();
        forms_.clear();
        FreeSkinManager();
        for (HWND w : windows_) DestroyWindow(w);
    }

    TForm* NewForm() {
        forms_.push_back(std::make_unique<TForm>(nullptr));
        return forms_.back().get();
    }
    ReadSkinData* NewData(TComponent* owner, TSkinFormType type = sfMainform) {
        data_.push_back(std::make_unique<ReadSkinData>(owner));
        data_.back()->SetSkinFormtype(type);
        return data_.back().get();
    }
    // Reads a component the way the form reader will: the package, then Active.
    ReadSkinData* ReadForm(const Bytes& package, bool active,
                           TSkinControlTypes controls = TSkinDataCore::DefaultSkinControls()) {
        ReadSkinData* d = NewData(NewForm());
        d->BeginReading();
        TMemoryStream stream = SkinStreamOf(package);
        d->ReadSkinStream(stream);
        d->SetActive(active);
        d->SetSkinControls(controls);
        EXPECT_EQ(SkinManager, nullptr) << "nothing reaches the manager while the form is read";
        d->Loaded();
        return d;
    }
    HWND Window(HWND w) {
        windows_.push_back(w);
        return w;
    }

    std::vector<std::unique_ptr<TForm>> forms_;
    std::vector<std::unique_ptr<ReadSkinData>> data_;  // freed before their forms
    std::vector<HWND> windows_;
};

}  // namespace

TEST_F(SkinManagerTest, LoadedRegistersAndSwitchesOffWithoutASkin) {
    struct Case {
        const char* name;
        Bytes package;
        bool activeAfter;
        size_t messages;
    } cases[] = {
        {"no stored package", {}, false, 0},
        {"a package of unknown version", UnknownVersionPackage(), false, 1},
        {"a good package", Package("full"), true, 0},
    };
    for (const auto& c : cases) {
        FreeSkinManager();
        MessageCatcher catcher;
        ReadSkinData* d = ReadForm(c.package, true);
        EXPECT_EQ(d->Active(), c.activeAfter) << "case: " << c.name;
        EXPECT_EQ(d->Empty, !c.activeAfter) << "case: " << c.name;
        ASSERT_EQ(catcher.messages.size(), c.messages) << "case: " << c.name;
        if (c.messages) {
            EXPECT_EQ(catcher.messages[0], kOlderSkinMessage) << "case: " << c.name;
        }
        ASSERT_NE(SkinManager, nullptr) << "case: " << c.name;
        EXPECT_EQ(SkinManager->Dlist(), std::vector<TSkinData*>{d}) << "case: " << c.name;
        EXPECT_EQ(SkinManager->MainData, d) << "case: " << c.name;
        EXPECT_NE(SkinManager->Hook(), nullptr) << "case: " << c.name;
        // State 0: the switch-on request only marks the manager active.
        EXPECT_EQ(SkinManager->active, c.activeAfter) << "case: " << c.name;
        EXPECT_EQ(SkinManager->action, c.activeAfter ? ManagerAction::Skin : ManagerAction::None) << "case: " << c.name;
        EXPECT_FALSE(SkinManager->Timer->Enabled()) << "case: " << c.name;
        EXPECT_NE(d->CaptionFont->Handle(), nullptr) << "case: " << c.name;
        data_.clear();
        EXPECT_TRUE(SkinManager->Dlist().empty()) << "case: " << c.name << ": destruction unregisters";
        EXPECT_EQ(SkinManager->MainData, nullptr) << "case: " << c.name;
    }
}

TEST_F(SkinManagerTest, TheApplicationIconOnceTheFormHasItsWindow) {
    ReadSkinData* d = ReadForm(Package("full"), false);
    TForm* form = forms_.back().get();
    ASSERT_FALSE(form->HandleAllocated());
    EXPECT_TRUE(d->SysIcon.Empty()) << "no window to ask at Loaded";

    form->HandleNeeded();
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    ASSERT_EQ(d->SysIcon.Width(), cx);
    ASSERT_EQ(d->SysIcon.Height(), cy);
    EXPECT_EQ(d->SysIcon.PixelFormat(), pf24bit);
    EXPECT_TRUE(d->SysIcon.Transparent());
    EXPECT_EQ(d->SysIcon.TransparentColor(), TColor{0xFF00FF});
    if (cx == 16 && cy == 16) {
        // The program's 16 x 16 picture: magenta where it is transparent, the
        // arrow's green in the shaft, the tray's blue along its bottom.
        EXPECT_EQ(d->SysIcon.Pixel(0, 0), TColor{0xFF00FF});
        EXPECT_EQ(d->SysIcon.Pixel(8, 3), ColorFromRGB(46, 160, 67));
        EXPECT_EQ(d->SysIcon.Pixel(5, 13), ColorFromRGB(70, 110, 170));
    }
    // Other kinds of skin data leave the icon to the form skinning.
    ReadSkinData* dialog = NewData(form, sfDialog);
    dialog->Loaded();
    form->DestroyHandle();
    form->HandleNeeded();
    EXPECT_TRUE(dialog->SysIcon.Empty());
    EXPECT_EQ(d->SysIcon.Width(), cx);
}

TEST_F(SkinManagerTest, MenuKindsAfterLoaded) {
    const TSkinControlTypes all = TSkinControlTypes::All();
    TSkinControlTypes noMainMenu = all;
    noMainMenu.Exclude(xcMainMenu);
    struct Case {
        const char* name;
        TSkinControlTypes stored;
        bool mainMenu, menuItem, systemMenu;
    } cases[] = {
        {"xcMainMenu and xcMenuItem: xcMenuItem goes", all, true, false, true},
        {"no xcMainMenu: xcSystemMenu goes", noMainMenu, false, true, false},
    };
    for (const auto& c : cases) {
        data_.clear();
        FreeSkinManager();
        ReadSkinData* d = ReadForm(Package("full"), false, c.stored);
        const TSkinControlTypes s = d->SkinControls();
        EXPECT_EQ(s.Contains(xcMainMenu), c.mainMenu) << "case: " << c.name;
        EXPECT_EQ(s.Contains(xcMenuItem), c.menuItem) << "case: " << c.name;
        EXPECT_EQ(s.Contains(xcSystemMenu), c.systemMenu) << "case: " << c.name;
        // GetScrollBarInfo is there, so scroll bars stay.
        EXPECT_TRUE(s.Contains(xcScrollbar)) << "case: " << c.name;
    }
    EXPECT_NE(OptionalUser32().GetScrollBarInfo, nullptr);
    EXPECT_NE(OptionalUser32().TrackMouseEvent, nullptr);
    EXPECT_NE(OptionalUser32().GetComboBoxInfo, nullptr);
}

TEST_F(SkinManagerTest, ActiveRequestsAndTheTimer) {
    ReadSkinData* d = ReadForm(Package("full"), true);
    int changed = 0;
    d->OnSkinChanged = [&](TObject* sender) {
        EXPECT_EQ(sender, d);
        ++changed;
    };
    TSkinManage& m = *SkinManager;
    m.state = 1;  // a window has been activated
    m.action = ManagerAction::None;

    // The same value: no request at all.
    d->SetActive(true);
    EXPECT_EQ(m.action, ManagerAction::None);
    EXPECT_EQ(m.UpdateData, nullptr);
    EXPECT_FALSE(m.Timer->Enabled());

    // Off: action 2 in 250 ms, then the notification.
    d->SetActive(false);
    EXPECT_EQ(m.action, ManagerAction::Unskin);
    EXPECT_EQ(m.UpdateData, d);
    EXPECT_EQ(m.Timer->Interval(), 250u);
    EXPECT_TRUE(m.Timer->Enabled());
    ASSERT_TRUE(PumpUntil([&] { return changed == 1; }));
    EXPECT_FALSE(m.active);
    EXPECT_EQ(m.UpdateData, nullptr);
    EXPECT_FALSE(m.Timer->Enabled());

    // On again: action 1 switches the manager on; no window gets skinned yet.
    d->SetActive(true);
    EXPECT_EQ(m.action, ManagerAction::Skin);
    EXPECT_EQ(m.state, 1);
    ASSERT_TRUE(PumpUntil([&] { return changed == 2; }));
    EXPECT_TRUE(m.active);
    EXPECT_FALSE(m.skinchildform);
    EXPECT_TRUE(m.Flist().empty());

    // A new skin: action 3.
    TMemoryStream other;
    other.WriteBuffer(Package("sunk_only").data(), static_cast<int64_t>(Package("sunk_only").size()));
    d->LoadFromStream(other);
    EXPECT_EQ(d->SkinName, L"Sunk only");
    EXPECT_EQ(m.action, ManagerAction::ApplyChange);
    ASSERT_TRUE(PumpUntil([&] { return changed == 3; }));

    // Re-skinning one form (action 7) ends without the notification.
    TForm* form = NewForm();
    d->ChangeForm(form);
    EXPECT_EQ(m.action, ManagerAction::ReskinForm);
    EXPECT_EQ(m.lpara, form->WindowHandle());
    ASSERT_TRUE(PumpUntil([&] { return !m.Timer->Enabled(); }));
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(m.UpdateData, d);
}

// A program that makes its forms and skin data in code, one after another:
// the second skin data registers with its first skin although the manager
// already exists, and its form is skinned when shown.
TEST_F(SkinManagerTest, ASkinDataMadeInCodeAfterAnotherIsGoneSkinsItsForm) {
    for (int round = 0; round < 2; ++round) {
        TForm* form = NewForm();
        form->SetBounds(20, 20, 240, 140);
        auto* d = new TSkinData(form);
        d->SetActive(true);
        TMemoryStream package;
        package.WriteBuffer(Package("full").data(), static_cast<int64_t>(Package("full").size()));
        package.SetPosition(0);
        d->LoadFromStream(package);
        ASSERT_NE(SkinManager, nullptr);
        const auto& known = SkinManager->Dlist();
        EXPECT_NE(std::find(known.begin(), known.end(), d), known.end()) << "round " << round;
        form->Show();
        const HWND hwnd = form->Handle();
        EXPECT_TRUE(PumpUntil([&] { return SendMessageW(hwnd, CN_SkinQuery, 0, 0) == 1; })) << "round " << round;
        forms_.pop_back();  // the form and its skin data go
        Application->ProcessMessages();
    }
}

TEST_F(SkinManagerTest, StateZeroRequestsOnlySwitchTheManager) {
    ReadSkinData* d = ReadForm(Package("full"), true);
    TSkinManage& m = *SkinManager;
    ASSERT_EQ(m.state, 0);
    d->SetActive(false);
    EXPECT_FALSE(m.active);
    EXPECT_FALSE(m.Timer->Enabled());
    d->SetActive(true);
    EXPECT_TRUE(m.active);
    EXPECT_EQ(m.state, 1) << "switching on marks the manager running";
    EXPECT_FALSE(m.Timer->Enabled());

    // Switching on without a skin stores the value and asks nothing.
    ReadSkinData* empty = NewData(NewForm());
    empty->SetSkinFormtype(sfOnlyThisForm);
    m.action = ManagerAction::None;
    empty->SetActive(true);
    EXPECT_TRUE(empty->Active());
    EXPECT_EQ(m.action, ManagerAction::None);
}

TEST_F(SkinManagerTest, TheHookSeesActivationAndChains) {
    // A hook installed first is called after ours: it must still see every event.
    probeWindowsCreated = 0;
    HHOOK earlier = SetWindowsHookExW(WH_CBT, CountProbeWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(earlier, nullptr);
    ReadForm(Package("full"), true);
    ASSERT_EQ(SkinManager->state, 0);

    HWND w = Window(MakeWindow(L"SkinHookProbe"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(probeWindowsCreated.load(), 1);
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    SetActiveWindow(w);
    EXPECT_TRUE(PumpUntil([&] { return SkinManager->state == 1; })) << "HCBT_ACTIVATE reached the manager";
    EXPECT_NE(SkinManager->FindSkinForm(w), nullptr) << "the activated window of this module is skinned";

    // Once the manager is gone its hook is gone too; the other still sees windows.
    FreeSkinManager();
    Window(MakeWindow(L"SkinHookProbe"));
    EXPECT_EQ(probeWindowsCreated.load(), 2);
    UnhookWindowsHookEx(earlier);
}

TEST_F(SkinManagerTest, WhichSkinDataAWindowGets) {
    SkinManager = new TSkinManage(0);
    TForm* formA = NewForm();
    TForm* formB = NewForm();
    ReadSkinData* dialog1 = NewData(NewForm(), sfDialog);
    ReadSkinData* main1 = NewData(formA, sfMainform);
    ReadSkinData* only = NewData(formB, sfOnlyThisForm);
    ReadSkinData* dialog2 = NewData(NewForm(), sfDialog);
    ReadSkinData* main2 = NewData(NewForm(), sfMainform);
    for (TSkinData* d :
         {static_cast<TSkinData*>(dialog1), static_cast<TSkinData*>(main1), static_cast<TSkinData*>(only),
          static_cast<TSkinData*>(dialog2), static_cast<TSkinData*>(main2)})
        SkinManager->AddSkinData(d);
    EXPECT_EQ(SkinManager->MainData, main1);

    HWND messageBox = Window(CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
    HWND messageForm = Window(MakeWindow(L"TMessageForm"));
    HWND other = Window(MakeWindow(L"SomeWindow"));
    struct Case {
        const char* name;
        HWND window;
        TSkinData* expected;
    } cases[] = {
        {"the form of an sfOnlyThisForm component", formB->Handle(), only},
        {"a #32770 dialog: the last sfDialog", messageBox, dialog2},
        {"a TMessageForm: the last sfDialog", messageForm, dialog2},
        {"another window: the last sfMainform", other, main2},
        {"the mainform's own form: still the last sfMainform", formA->Handle(), main2},
    };
    for (const auto& c : cases) EXPECT_EQ(SkinManager->FindSkindata(c.window), c.expected) << "case: " << c.name;

    SkinManager->RemoveSkinData(main2);
    SkinManager->RemoveSkinData(main1);
    EXPECT_EQ(SkinManager->MainData, nullptr);
    EXPECT_EQ(SkinManager->FindSkindata(other), dialog1) << "no sfMainform: the first registered";
    SkinManager->RemoveSkinData(dialog1);
    SkinManager->RemoveSkinData(only);
    SkinManager->RemoveSkinData(dialog2);
    EXPECT_EQ(SkinManager->FindSkindata(other), nullptr);
}

TEST_F(SkinManagerTest, VetoRulesBeforeSkinning) {
    ReadSkinData* d = ReadForm(Package("full"), true);
    TSkinManage& m = *SkinManager;
    HWND plain = Window(MakeWindow(L"SkinVetoPlain"));
    HWND foreground = Window(CreateWindowExW(0, L"#32770", L"", WS_POPUP | DS_SETFOREGROUND, 0, 0, 10, 10, nullptr,
                                             nullptr, GetModuleHandleW(nullptr), nullptr));
    TSkinOptions noPreview = d->Options();
    noPreview.Exclude(xoPreview);
    TSkinControlTypes withFastReport = d->SkinControls();
    withFastReport.Include(xcFastReport);
    struct Case {
        const char* name;
        HWND window;
        const wchar_t* cls;
        TSkinOptions options;
        TSkinControlTypes controls;
        bool skin;
    } cases[] = {
        {"a preview window with xoPreview", plain, L"TfrmPreviewWindow", d->Options(), d->SkinControls(), true},
        {"a preview window without xoPreview", plain, L"TPREVIEWForm", noPreview, d->SkinControls(), false},
        {"a #32770 dialog with DS_SETFOREGROUND", foreground, L"#32770", d->Options(), d->SkinControls(), false},
        {"a #32770 dialog", plain, L"#32770", d->Options(), d->SkinControls(), true},
        {"TPopupDBTreeView", plain, L"TPopupDBTreeView", d->Options(), d->SkinControls(), false},
        {"SysMonthCal32", plain, L"SysMonthCal32", d->Options(), d->SkinControls(), false},
        {"Tfr class with xcFastReport", plain, L"TfrDesigner", d->Options(), withFastReport, false},
        {"Tfr class without xcFastReport", plain, L"TfrDesigner", d->Options(), d->SkinControls(), true},
        {"TFR class (case matters) with xcFastReport", plain, L"TFRDesigner", d->Options(), withFastReport, true},
    };
    for (const auto& c : cases) {
        d->SetOptions(c.options);
        d->SetSkinControls(c.controls);
        EXPECT_EQ(m.OnBeforeSkin(c.window, c.cls), c.skin) << "case: " << c.name;
        EXPECT_EQ(d->formhwnd, c.window) << "case: " << c.name;
    }
    // With OnFormSkin assigned the event alone decides.
    d->OnFormSkin = [](TObject*, const std::wstring& name, bool& doSkin) {
        if (name == L"SysMonthCal32") doSkin = true;
        if (name == L"Refused") doSkin = false;
    };
    EXPECT_TRUE(m.OnBeforeSkin(plain, L"SysMonthCal32"));
    EXPECT_FALSE(m.OnBeforeSkin(plain, L"Refused"));
    EXPECT_FALSE(m.OnBeforeSkin(foreground, L"#32770")) << "the event is handed the refusal and keeps it";
}

TEST_F(SkinManagerTest, TestsAWindowMustPassBeforeItIsSkinned) {
    ReadSkinData* d = ReadForm(Package("full"), true);
    TSkinManage& m = *SkinManager;
    TForm* form = NewForm();
    form->SetBounds(0, 0, 200, 150);
    form->Show();
    TForm* tagged = NewForm();
    tagged->SetTag(99);
    tagged->SetBounds(0, 0, 200, 150);
    tagged->Show();
    HWND ours = Window(MakeWindow(L"SkinCandidate"));
    HWND app = Window(MakeWindow(L"TApplication"));
    HWND flat = Window(MakeWindow(L"SkinCandidate", WS_POPUP, 0, 0));
    HWND child = Window(MakeWindow(L"SkinCandidate", WS_CHILD | WS_VISIBLE, 50, 50, ours));

    struct Case {
        const char* name;
        HWND window;
        bool skinned;
    } cases[] = {
        {"a framework form", form->Handle(), true}, {"a form with Tag 99", tagged->Handle(), false},
        {"a window of this module", ours, true},    {"the class TApplication", app, false},
        {"a window without area", flat, false},     {"a child window", child, false},
    };
    for (const auto& c : cases) {
        // Shown forms may have been skinned already by the hook at activation.
        const bool skinned = m.FindSkinForm(c.window) != nullptr || m.AddForm(c.window);
        EXPECT_EQ(skinned, c.skinned) << "case: " << c.name;
        EXPECT_EQ(SendMessageW(c.window, CN_SkinQuery, 0, 0) == 1, c.skinned) << "case: " << c.name;
        EXPECT_EQ(m.FormSkinData(c.window), nullptr) << "case: " << c.name << ": never skinned twice";
    }
    m.skinchildform = true;
    EXPECT_EQ(m.FormSkinData(child), d) << "skinchildform lets nested windows through";
    m.active = false;
    EXPECT_EQ(m.FormSkinData(child), nullptr) << "an inactive manager skins nothing";
    m.active = true;
    d->SetSkinControls(d->SkinControls());
    d->Empty = true;
    EXPECT_EQ(m.FormSkinData(child), nullptr) << "an empty skin data skins nothing";
    d->Empty = false;
    m.skinchildform = false;
}

TEST_F(SkinManagerTest, LoadingFromStoreAndFile) {
    ReadSkinData* d = ReadForm(Package("sunk_only"), true);
    SkinManager->state = 1;
    TSkinStore store(nullptr);
    TSkinCollectionItem* item = store.Store().Add();
    item->FData.WriteBuffer(Package("full").data(), static_cast<int64_t>(Package("full").size()));

    d->LoadFromCollection(&store, 1);
    EXPECT_EQ(d->SkinName, L"Sunk only") << "no item 1";
    EXPECT_FALSE(SkinManager->Timer->Enabled());
    d->LoadFromCollection(&store, 0);
    EXPECT_EQ(d->SkinName, L"Fixture Full");
    EXPECT_EQ(SkinManager->action, ManagerAction::ApplyChange);
    EXPECT_TRUE(SkinManager->Timer->Enabled());
    EXPECT_EQ(d->SkinStore(), L"(Good)");

    // A file that is not there: the path is kept, the skin stays usable.
    d->SetSkinFile(L"Z:\\no\\such\\skin.skin");
    EXPECT_EQ(d->SkinFile(), L"Z:\\no\\such\\skin.skin");
    EXPECT_FALSE(d->Empty);
    EXPECT_EQ(d->SkinName, L"Fixture Full");
    const auto file = (std::filesystem::path(TEST_BINARY_DIR) / "sunk_only.skin").wstring();
    d->SetSkinFile(file);
    EXPECT_EQ(d->SkinName, L"Sunk only");
}

TEST_F(SkinManagerTest, HintScrollBarsAndProperties) {
    ReadSkinData* d = ReadForm(Package("full"), true);
    const RECT at{120, 80, 140, 100};
    d->ActivateHint(at, L"最小化");
    ASSERT_TRUE(d->IsHint());
    HWND hint = d->fhintwindow ? FindWindowW(L"TSkinHintWindow", nullptr) : nullptr;
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(IsWindowVisible(hint));
    RECT r{};
    GetWindowRect(hint, &r);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 80);
    EXPECT_LE(r.right - r.left, 500 + 6 + 2);
    d->HideHint();
    EXPECT_FALSE(d->IsHint());
    EXPECT_FALSE(IsWindowVisible(hint));
    TSkinOptions noHints = d->Options();
    noHints.Exclude(xoCaptionButtonHint);
    d->SetOptions(noHints);
    d->ActivateHint(at, L"x");
    EXPECT_FALSE(d->IsHint());
    EXPECT_FALSE(IsWindowVisible(hint));

    HWND scrolled = Window(MakeWindow(L"SkinScrolled", WS_OVERLAPPEDWINDOW | WS_VSCROLL));
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(d->GetScrollBarInfo(scrolled, OBJID_VSCROLL, &info));

    std::wstring seen;
    SetSkinPropertySetter([&](TObject* obj, const std::wstring& name, const std::wstring& value) {
        seen = name + L"=" + value;
        return obj != nullptr;
    });
    d->ChangeProperty(d, L"SkinFormtype", L"sfDialog");
    EXPECT_EQ(seen, L"SkinFormtype=sfDialog");
    SetSkinPropertySetter(nullptr);
    d->ChangeProperty(d, L"SkinFormtype", L"sfDLL");  // no setter: nothing happens

    // The menu glyphs come from the program's bitmap resource.
    EXPECT_EQ(ImageList_GetImageCount(d->bmpmenu.get()), 4);
    for (const wchar_t* name : {L"TRACK", L"TRACKVERT", L"QUILLETMENU"}) {
        auto fromResource = LoadBitmapResource(name);
        auto fromCode = DrawProgramBitmap(name);
        ASSERT_NE(fromResource, nullptr);
        ASSERT_EQ(fromResource->Width(), fromCode->Width());
        ASSERT_EQ(fromResource->Height(), fromCode->Height());
        for (int y = 0; y < fromCode->Height(); ++y)
            for (int x = 0; x < fromCode->Width(); ++x) ASSERT_EQ(fromResource->Pixel(x, y), fromCode->Pixel(x, y));
    }
    EXPECT_EQ(LoadBitmapResource(L"NOSUCHBITMAP"), nullptr);
}

TEST_F(SkinManagerTest, OtherThreadsAndOtherFormTypes) {
    ReadSkinData* d = ReadForm(Package("full"), true);
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // a message queue
        threadId = GetCurrentThreadId();
        while (!stop) Sleep(5);
    });
    while (!threadId) Sleep(1);
    d->InstallThread(threadId);
    d->InstallThread(threadId);
    EXPECT_EQ(SkinManager->Threadlist().size(), 1u);
    d->UnInstallThread(threadId);
    EXPECT_TRUE(SkinManager->Threadlist().empty());
    stop = true;
    worker.join();

    // A component that is not the main form's: the manager runs at once, no hook of its own.
    const int state = SkinManager->state;
    ReadSkinData* only = NewData(NewForm(), sfOnlyThisForm);
    only->BeginReading();
    TMemoryStream stream = SkinStreamOf(Package("full"));
    only->ReadSkinStream(stream);
    only->SetActive(true);
    only->Loaded();
    EXPECT_EQ(SkinManager->state, state + 1);
    EXPECT_TRUE(SkinManager->active);
    EXPECT_EQ(SkinManager->Dlist().size(), 2u);
    EXPECT_EQ(SkinManager->MainData, d);
    EXPECT_EQ(SkinManager->FindSkindata(static_cast<TForm*>(only->Owner())->Handle()), only);
}

TEST_F(SkinManagerTest, ASecondaryManagerTakesOnlyItsOwnWindowsWithIt) {
    ReadForm(Package("full"), true);
    ASSERT_TRUE(SkinManager->active);
    SkinManager->state = 1;
    auto sub = std::make_unique<TSkinManage>(1);
    sub->AssignData(SkinManager);
    ASSERT_TRUE(sub->active);
    ASSERT_EQ(SkinManager->sublist().size(), 1u);
    const HWND its = Window(MakeWindow(L"SkinSecondaryOwn"));
    const HWND mains = Window(MakeWindow(L"SkinSecondaryMain"));
    ASSERT_TRUE(sub->AddForm(its));
    ASSERT_TRUE(SkinManager->AddForm(mains));
    ASSERT_TRUE(PumpUntil([&] {
        TWinSkinForm* a = SkinManager->FindSkinForm(its);
        TWinSkinForm* b = SkinManager->FindSkinForm(mains);
        return a && b && a->Skinstate == SkinStage::Skinned && b->Skinstate == SkinStage::Skinned;
    }));
    EXPECT_EQ(SendMessageW(its, CN_SkinQuery, 0, 0), 1);
    EXPECT_NE(SkinManager->FindSkinForm(its)->mode, SkinManager->FindSkinForm(mains)->mode);

    sub.reset();
    EXPECT_EQ(SendMessageW(its, CN_SkinQuery, 0, 0), 0) << "its window is unskinned";
    EXPECT_EQ(SkinManager->FindSkinForm(its), nullptr) << "and dropped from the shared list";
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(its, none), ERROR) << "no skin region is left on it";
    DeleteObject(none);
    EXPECT_EQ(SendMessageW(mains, CN_SkinQuery, 0, 0), 1) << "the main manager's window stays skinned";
    EXPECT_NE(SkinManager->FindSkinForm(mains), nullptr);
    EXPECT_TRUE(SkinManager->sublist().empty());
}
