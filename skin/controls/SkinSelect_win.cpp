#include "skin/controls/SkinSelect_win.h"

#include <exception>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/form/SkinManager.h"

namespace {

// The nearest framework class of an object whose own class is not registered.
const wchar_t* NearestFrameworkClass(const TObject& object) {
    if (dynamic_cast<const TForm*>(&object)) return L"TForm";
    if (dynamic_cast<const TButton*>(&object)) return L"TButton";
    if (dynamic_cast<const TProgressBar*>(&object)) return L"TProgressBar";
    if (dynamic_cast<const TLabel*>(&object)) return L"TLabel";
    if (dynamic_cast<const TWinControl*>(&object)) return L"TWinControl";
    if (dynamic_cast<const TGraphicControl*>(&object)) return L"TGraphicControl";
    if (dynamic_cast<const TControl*>(&object)) return L"TControl";
    if (dynamic_cast<const TComponent*>(&object)) return L"TComponent";
    return nullptr;
}

bool SameAscii(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - 32);
        if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool AnswersSkinQuery(TControl& control) {
    auto* windowed = dynamic_cast<TWinControl*>(&control);
    if (windowed && windowed->HandleAllocated()) return SendMessageW(windowed->WindowHandle(), CN_SkinQuery, 0, 0) == 1;
    return control.Perform(CN_SkinQuery) == 1;
}

bool HasNonClientBorder(HWND hwnd) {
    RECT window{}, client{};
    if (!GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client)) return false;
    return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}

}  // namespace

std::vector<std::wstring> ClassChainOf(const TObject& object) {
    RegisterControlClasses();
    std::vector<std::wstring> chain{object.ClassName()};
    const TClassInfo* info = ClassInfoOf(object);
    if (info) {
        info = info->Parent;
    } else if (const wchar_t* nearest = NearestFrameworkClass(object)) {
        info = SameAscii(nearest, chain.front()) ? FindClassInfo(nearest)->Parent : FindClassInfo(nearest);
    }
    for (; info; info = info->Parent) chain.push_back(info->Name);
    if (!SameAscii(chain.back(), L"TObject")) chain.push_back(L"TObject");
    return chain;
}

TSkinControlDesc DescribeControl(TControl& control, bool listed) {
    TSkinControlDesc d;
    d.ClassChain = ClassChainOf(control);
    d.Tag = control.Tag();
    d.HasParent = control.Parent() != nullptr;
    d.HasSkinObject = listed || AnswersSkinQuery(control);
    auto* windowed = dynamic_cast<TWinControl*>(&control);
    d.Windowed = windowed != nullptr;
    d.HasWindow = windowed && windowed->HandleAllocated();
    if (d.HasWindow) {
        HWND hwnd = windowed->WindowHandle();
        d.HasBorder = HasNonClientBorder(hwnd);
        d.ScrollStyle = (GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) != 0;
    }
    // Enumerations are read by position: the tabs style, the date kind and
    // the drop-down date mode come first.
    const TPropValue style = GetPropValue(control, L"Style");
    d.PageStyleTabs = style.Kind != TTypeKind::tkEnumeration || style.Ordinal == 0;
    const TPropValue dateMode = GetPropValue(control, L"DateMode");
    d.DateUpDown = dateMode.Kind == TTypeKind::tkEnumeration && dateMode.Ordinal == 1;
    const TPropValue kind = GetPropValue(control, L"Kind");
    d.DateTimeKind = kind.Kind == TTypeKind::tkEnumeration && kind.Ordinal == 1;
    d.Kind = kind.Text;
    const TPropValue numButtons = GetPropValue(control, L"NumButtons");
    if (numButtons.Kind == TTypeKind::tkInteger) d.NumButtons = static_cast<int>(numButtons.Ordinal);
    return d;
}

TSkinWindowDesc DescribeWindow(HWND hwnd, bool listed) {
    TSkinWindowDesc d;
    wchar_t name[256] = {};
    int n = GetClassNameW(hwnd, name, 256);
    d.ClassName.assign(name, n > 0 ? static_cast<size_t>(n) : 0);
    d.Style = static_cast<uint32_t>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    d.HasSkinObject = listed || SendMessageW(hwnd, CN_SkinQuery, 0, 0) == 1;
    d.HasChildWindow = GetWindow(hwnd, GW_CHILD) != nullptr;
    return d;
}

TSkinChoice AddComp(TControl& control, const TSkinSelectOptions& options, bool listed) {
    TSkinControlDesc d = DescribeControl(control, listed);
    auto* windowed = dynamic_cast<TWinControl*>(&control);
    if (windowed && !d.HasWindow && d.Tag != options.DisableTag && d.HasParent && !d.HasSkinObject) {
        try {
            windowed->HandleNeeded();
        } catch (const std::exception&) {
            // No window: the table skips it.
        }
        if (windowed->HandleAllocated()) d = DescribeControl(control, listed);
    }
    return AddComp(d, options);
}

TSkinChoice AddControlh(HWND hwnd, const TSkinSelectOptions& options, bool listed) {
    return AddControlh(DescribeWindow(hwnd, listed), options);
}
