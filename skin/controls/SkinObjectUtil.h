// Small helpers the control skinning files share. Internal to skin/controls;
// portable (the selection tables use them natively too).
#pragma once

#include <string>

#include "skin/data/SkinObjects.h"

namespace skin_controls_util {

// The object is there and has a picture to draw from.
inline bool Usable(const TDataSkinObject* o) {
    return o && !o->Map.Empty();
}

// ASCII letters lowered (class and property names); others pass unchanged.
inline std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return s;
}

}  // namespace skin_controls_util
