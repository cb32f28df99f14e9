// A plain form for Windows tests to put controls on: a fixed single border,
// the client size asked for, at a known place on the screen.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/controls/FormsAndApplication.h"

namespace test_support {

inline std::unique_ptr<TForm> MakeForm(int clientWidth, int clientHeight, POINT at = {40, 40}) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(clientHeight);
    form->SetLeft(at.x);
    form->SetTop(at.y);
    return form;
}

}  // namespace test_support
