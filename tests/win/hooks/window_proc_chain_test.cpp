// A control's WindowProc chain under Wine: links put in and taken out in
// every order, with another handler put on top in between, taken out from
// inside their own message, and outliving their control; and a skinning
// object that leaves its control while someone else's handler sits on top.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinControl.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/support/NoAccessViolations.h"

namespace {

constexpr UINT kProbe = WM_APP + 41;

std::unique_ptr<TForm> MakeForm() {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetClientWidth(200);
    form->SetClientHeight(80);
    return form;
}

// Who saw kProbe, front of the chain first; the control itself answers
// nothing, so a probe that reaches it comes back with DefWindowProc's 0.
struct Trace {
    std::string seen;
    TWndMethod Handler(char name) {
        return [this, name](TMessage& m) {
            if (m.Msg == kProbe) seen += name;
        };
    }
};

// A handler of someone else's: keeps the previous WindowProc and, when it
// leaves, writes it back as it was.
struct Foreign {
    TControl& control;
    Trace& trace;
    TWndMethod previous;
    bool on = false;
    void Install() {
        previous = control.WindowProc;
        control.WindowProc = [this](TMessage& m) {
            if (m.Msg == kProbe) trace.seen += 'F';
            previous(m);
        };
        on = true;
    }
    void Leave() {
        control.WindowProc = previous;
        on = false;
    }
};

// Links A and B, then F on top; the three leave in the order of a row.
// After each step the probe passes exactly the ones still there, newest
// first, and the control still works.
TEST(WindowProcChain, LeavingInAnyOrderKeepsTheRestIntact) {
    const std::vector<std::string> orders = {"ABF", "AFB", "BAF", "BFA", "FAB", "FBA"};
    for (const std::string& order : orders) {
        auto form = MakeForm();
        auto* button = new TButton(form.get());
        button->SetParent(form.get());
        (void)button->Handle();
        Trace trace;
        auto chained = [&trace](char name, TWindowProcHook& self) {
            return [&trace, name, &self](TMessage& m) {
                if (m.Msg == kProbe) trace.seen += name;
                self.CallNext(m);
            };
        };
        TWindowProcHook a, b;
        a = TWindowProcHook(*button, chained('A', a));
        b = TWindowProcHook(*button, chained('B', b));
        Foreign f{*button, trace, {}, false};
        f.Install();
        std::string present = "FBA";  // front first
        for (char leaving : order) {
            if (leaving == 'A') a.Remove();
            if (leaving == 'B') b.Remove();
            if (leaving == 'F') f.Leave();
            present.erase(present.find(leaving), 1);
            trace.seen.clear();
            button->Perform(kProbe);
            EXPECT_EQ(trace.seen, present) << "order " << order << ", after " << leaving << " left";
            trace.seen.clear();
            SendMessageW(button->Handle(), kProbe, 0, 0);
            EXPECT_EQ(trace.seen, present) << "order " << order << ", from the system, after " << leaving;
            button->SetCaption(std::wstring(L"标题") + static_cast<wchar_t>(leaving));
            wchar_t text[16] = {};
            GetWindowTextW(button->Handle(), text, 16);
            EXPECT_EQ(std::wstring(text), button->Caption()) << "order " << order << ": the window got the text";
        }
        EXPECT_FALSE(a.Installed());
        EXPECT_FALSE(b.Installed());
    }
}

// A link that leaves while handling a message still passes that message
// on, and sees no more after it.
TEST(WindowProcChain, LeavingFromInsideItsOwnMessage) {
    auto form = MakeForm();
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    (void)button->Handle();
    Trace trace;
    TWindowProcHook below(*button, [&](TMessage& m) {
        if (m.Msg == kProbe) trace.seen += 'B';
    });
    TWindowProcHook hook;
    hook = TWindowProcHook(*button, [&](TMessage& m) {
        if (m.Msg == kProbe) {
            trace.seen += 'H';
            hook.Remove();
        }
        hook.CallNext(m);
    });
    button->Perform(kProbe);
    EXPECT_EQ(trace.seen, "HB");
    trace.seen.clear();
    button->Perform(kProbe);
    EXPECT_EQ(trace.seen, "B") << "gone after the message it left in";
}

// The control goes first: the links left over touch nothing of it.
TEST(WindowProcChain, LinksOutlivingTheirControl) {
    Trace trace;
    TWindowProcHook first, second;
    {
        auto form = MakeForm();
        auto* button = new TButton(form.get());
        button->SetParent(form.get());
        (void)button->Handle();
        first = TWindowProcHook(*button, [&](TMessage& m) {
            if (m.Msg == kProbe) trace.seen += '1';
            first.CallNext(m);
        });
        second = TWindowProcHook(*button, [&](TMessage& m) {
            if (m.Msg == kProbe) trace.seen += '2';
            second.CallNext(m);
        });
        button->Perform(kProbe);
        EXPECT_EQ(trace.seen, "21");
    }
    first.Remove();
    second.Remove();
    TMessage m{kProbe, 0, 0, 0};
    first.CallNext(m);  // the control is gone: nothing to pass to
    EXPECT_EQ(trace.seen, "21");
    EXPECT_EQ(test_support::accessViolations.load(), 0);
}

// The skinning object of a framework button is freed while another handler
// sits on top of it. That handler keeps its messages; writing back what it
// had kept (the skin's link) stays harmless; the button works throughout.
TEST(SkinControlHook, LeavingUnderAnotherHandler) {
    auto form = MakeForm();
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(10, 10, 90, 28);
    form->Show();
    TSkinData sd(nullptr);
    sd.Colors[csButtonFace] = 0x303030;
    sd.Button = std::make_unique<TDataSkinButton>(L"Button");
    sd.Button->Map.SetSize(100, 20);
    sd.Button->frame = 5;
    TWinSkinForm sf(nullptr);
    sf.Hwnd = form->Handle();
    sf.fsd = &sd;
    ASSERT_NE(AddComp(sf, button, form.get()), nullptr);
    ASSERT_EQ(SendMessageW(button->Handle(), CN_SkinQuery, 0, 0), 1) << "skinned";

    Trace trace;
    Foreign f{*button, trace, {}, false};
    f.Install();
    sf.DeleteControls();
    EXPECT_EQ(button->ComponentCount(), 0) << "the object left its control";

    trace.seen.clear();
    EXPECT_EQ(SendMessageW(button->Handle(), CN_SkinQuery, 0, 0), 0) << "no skin answers any more";
    SendMessageW(button->Handle(), kProbe, 0, 0);
    EXPECT_EQ(trace.seen, "F") << "the handler put on top after the skin still sees messages";
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);

    f.Leave();  // writes back the freed object's link
    EXPECT_EQ(SendMessageW(button->Handle(), CN_SkinQuery, 0, 0), 0);
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 2) << "the control's own handling is intact";
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
