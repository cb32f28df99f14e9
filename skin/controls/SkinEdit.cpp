#include "skin/controls/SkinEdit.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/controls/SkinUpDown.h"
#include "skin/draw/DrawUtils.h"

namespace {

using skin_controls_util::Usable;

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

void FrameOne(HDC dc, RECT r, COLORREF color) {
    UniqueBrush brush(CreateSolidBrush(color));
    FrameRect(dc, &r, brush.get());
}

std::wstring LowerClassName(HWND h) {
    wchar_t name[128] = {};
    GetClassNameW(h, name, 128);
    std::wstring s = name;
    for (auto& ch : s) ch = static_cast<wchar_t>(std::towlower(ch));
    return s;
}

}  // namespace

bool Borderless(HWND hwnd) {
    RECT wr{}, cr{};
    if (!GetWindowRect(hwnd, &wr) || !GetClientRect(hwnd, &cr)) return true;
    return wr.right - wr.left == cr.right || wr.bottom - wr.top == cr.bottom;
}

void DrawEditFrame(HDC dc, const TRect& rc, TColor shadow, int whiteRings) {
    RECT r = ToRECT(rc);
    FrameOne(dc, r, Rgb(shadow));
    for (int i = 0; i < whiteRings; ++i) {
        InflateRect(&r, -1, -1);
        FrameOne(dc, r, RGB(255, 255, 255));
    }
}

void DrawArrow(HDC dc, int x, int y, int type, COLORREF color) {
    UniquePen pen(CreatePen(PS_SOLID, 1, color));
    SelectGuard keep(dc, pen.get());
    for (int i = 0; i < 4; ++i) {
        switch (type) {
            case 0:  // up: the point at the top
                MoveToEx(dc, x - i, y + i, nullptr);
                LineTo(dc, x + i + 1, y + i);
                break;
            case 1:  // down
                MoveToEx(dc, x - 3 + i, y + i, nullptr);
                LineTo(dc, x + 4 - i, y + i);
                break;
            case 2:  // left
                MoveToEx(dc, x + i, y - i, nullptr);
                LineTo(dc, x + i, y + i + 1);
                break;
            default:  // right
                MoveToEx(dc, x + i, y - 3 + i, nullptr);
                LineTo(dc, x + i, y + 4 - i);
                break;
        }
    }
}

// ---------------------------------------------------------------- TSkinEdit

TSkinEdit::~TSkinEdit() {
    if (updown) updown->edit = nullptr;
}

void TSkinEdit::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_PAINT: PaintControl(reinterpret_cast<HDC>(m.WParam)); break;
        // The edit's own border comes back with every frame repaint.
        case WM_NCPAINT: PaintControl(nullptr); break;
        case WM_PRINTCLIENT: PaintControl1(reinterpret_cast<HDC>(m.WParam)); break;
        case CN_SkinPaintClient:
            if (m.LParam == SkinSignature) {
                if (m.WParam) {
                    TMessage paint{WM_PAINT, m.WParam, 0, 0};
                    Default(paint);
                }
                m.Result = SkinSignature;
            }
            break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinEdit::FindUPDown() {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring name = LowerClassName(child);
        if (name != L"msctls_updown32" && name.find(L"spin") == std::wstring::npos &&
            name.find(L"updown") == std::wstring::npos)
            continue;
        if (SendMessageW(child, CN_SkinQuery, 0, 0) == 1) continue;  // skinned already
        TComponent* owner = skinform ? static_cast<TComponent*>(skinform) : this;
        auto* spin = new TSkinUpDown(owner);
        spin->inedit = true;
        spin->edit = this;
        updown = spin;
        spin->Inithwnd(child, fsd, fCanvas, skinform);
        return;
    }
}

void TSkinEdit::DrawControl(HDC dc, const TRect& rc) {
    if (!fsd) return;
    if (fsd->SkinControls().Contains(xcSpin) && !updown) FindUPDown();
    if (Borderless(hwnd)) return;
    DrawEditFrame(dc, rc, fsd->Colors[csButtonShadow], 2);
}

void TSkinEdit::PaintControl1(HDC dc) {
    RECT wr{};
    if (!dc || !GetWindowRect(hwnd, &wr)) return;
    DrawControl1(dc, TRect{0, 0, wr.right - wr.left, wr.bottom - wr.top});
}

void TSkinEdit::DrawControl1(HDC dc, const TRect& rc) {
    RECT cr{};
    GetClientRect(hwnd, &cr);
    if (rc.Width() - cr.right < 3 || rc.Height() - cr.bottom < 3) return;
    RECT inner = ToRECT(rc);
    InflateRect(&inner, -1, -1);
    FrameRect(dc, &inner, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
    FrameOne(dc, ToRECT(rc), Rgb(fsd ? fsd->Colors[csButtonShadow] : clBtnShadow));
}
