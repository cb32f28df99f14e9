// A shown form in front for list tests, with real clicks and pumping.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ListViews.h"
#include "tests/win/support/Input.h"

namespace lists_test {

using test_support::Click;
using test_support::Pump;
using test_support::PumpFor;
using test_support::PumpUntil;

// Parks the pointer away from every window and lets go of the button.
inline void ParkMouse() {
    SetCursorPos(2, 2);
    test_support::MouseButton(false);
    Pump();
}

inline TListView* MakeListView(TForm* form) {
    auto* lv = new TListView(form);
    lv->SetParent(form);
    lv->SetBounds(10, 10, 300, 110);
    lv->AddColumn(L"Name", 120);
    lv->AddColumn(L"Size", 80);
    lv->AddColumn(L"Kind", 80);
    const wchar_t* rows[][3] = {{L"delta", L"40", L"b"}, {L"alpha", L"10", L"c"}, {L"charlie", L"30", L"a"},
                                {L"bravo", L"20", L"d"}, {L"echo", L"50", L"e"},  {L"foxtrot", L"60", L"f"},
                                {L"golf", L"70", L"g"},  {L"hotel", L"80", L"h"}, {L"india", L"90", L"i"}};
    for (auto& r : rows) lv->AddItem(r[0], {r[1], r[2]});
    return lv;
}

inline TCheckListBox* MakeCheckList(TForm* form) {
    auto* cl = new TCheckListBox(form);
    cl->SetParent(form);
    cl->SetBounds(320, 10, 150, 110);
    for (const wchar_t* s : {L"one", L"two", L"three", L"four", L"five", L"six", L"seven", L"eight", L"nine"})
        cl->Add(s);
    return cl;
}

}  // namespace lists_test
