#include "framework/controls/UtilWindow.h"

#include "framework/controls/FormsAndApplication.h"

namespace framework {

namespace {
constexpr wchar_t kClassName[] = L"TPUtilWindow";

}  // namespace

UtilWindow::UtilWindow(std::function<void(TMessage&)> handler) : handler_(std::move(handler)) {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    if (!atom) throw EFrameworkError(L"Cannot register window class TPUtilWindow");
    hwnd_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) throw EFrameworkError(L"Cannot create a utility window (error " + IntToStr(GetLastError()) + L")");
    ready_ = true;
}

UtilWindow::~UtilWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void UtilWindow::Default(TMessage& m) const {
    m.Result = DefWindowProcW(hwnd_, m.Msg, m.WParam, m.LParam);
}

LRESULT CALLBACK UtilWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<UtilWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<UtilWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    if (!self || !self->ready_) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (self->handler_) {
            self->handler_(m);
        } else {
            m.Result = DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return m.Result;
}

}  // namespace framework
