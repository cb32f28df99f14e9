#include "framework/controls/MediaPlayer.h"

#include <mmsystem.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"

namespace {

constexpr const wchar_t* kButtonNames[kMPButtonCount] = {L"btPlay", L"btPause", L"btStop",   L"btNext", L"btPrev",
                                                         L"btStep", L"btBack",  L"btRecord", L"btEject"};

COLORREF GlyphColor(TMPBtnType b, TMPGlyph look) {
    if (look == mgDisabled) return GetSysColor(COLOR_GRAYTEXT);
    if (look == mgEnabled) return GetSysColor(COLOR_BTNTEXT);
    switch (b) {
        case btPlay: return RGB(0, 128, 0);
        case btPause: return RGB(160, 128, 0);
        case btStop:
        case btRecord: return RGB(192, 0, 0);
        case btEject: return RGB(96, 0, 128);
        default: return RGB(0, 0, 160);
    }
}

// A filled polygon in unit coordinates of a 12 x 12 box at (x, y).
void Shape(HDC dc, int x, int y, std::initializer_list<POINT> pts) {
    std::vector<POINT> p(pts);
    for (POINT& q : p) {
        q.x += x;
        q.y += y;
    }
    Polygon(dc, p.data(), static_cast<int>(p.size()));
}

}  // namespace

const wchar_t* MPButtonName(TMPBtnType b) {
    return kButtonNames[b];
}

void DrawMPGlyph(HDC dc, const RECT& rc, TMPBtnType b, TMPGlyph look) {
    const int x = rc.left + (rc.right - rc.left - 12) / 2;
    const int y = rc.top + (rc.bottom - rc.top - 12) / 2;
    const COLORREF color = GlyphColor(b, look);
    UniqueBrush brush(CreateSolidBrush(color));
    UniquePen pen(CreatePen(PS_SOLID, 1, color));
    SelectGuard selBrush(dc, brush.get());
    SelectGuard selPen(dc, pen.get());
    switch (b) {
        case btPlay: Shape(dc, x, y, {{2, 0}, {10, 6}, {2, 12}}); break;
        case btPause:
            Rectangle(dc, x + 2, y + 1, x + 5, y + 11);
            Rectangle(dc, x + 7, y + 1, x + 10, y + 11);
            break;
        case btStop: Rectangle(dc, x + 2, y + 2, x + 10, y + 10); break;
        case btNext:
            Shape(dc, x, y, {{1, 1}, {8, 6}, {1, 11}});
            Rectangle(dc, x + 9, y + 1, x + 11, y + 11);
            break;
        case btPrev:
            Shape(dc, x, y, {{11, 1}, {4, 6}, {11, 11}});
            Rectangle(dc, x + 1, y + 1, x + 3, y + 11);
            break;
        case btStep:
            Shape(dc, x, y, {{0, 1}, {5, 6}, {0, 11}});
            Shape(dc, x, y, {{6, 1}, {11, 6}, {6, 11}});
            break;
        case btBack:
            Shape(dc, x, y, {{11, 1}, {6, 6}, {11, 11}});
            Shape(dc, x, y, {{5, 1}, {0, 6}, {5, 11}});
            break;
        case btRecord: Ellipse(dc, x + 1, y + 1, x + 11, y + 11); break;
        case btEject:
            Shape(dc, x, y, {{6, 1}, {11, 7}, {1, 7}});
            Rectangle(dc, x + 1, y + 9, x + 12, y + 11);
            break;
    }
}

TMediaPlayer::TMediaPlayer(TComponent* AOwner) : TPaintedControl(AOwner) {
    width_ = 253;
    height_ = 30;
}

TMediaPlayer::~TMediaPlayer() {
    MCI_GENERIC_PARMS p{};
    if (deviceId_) mciSendCommandW(deviceId_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
}

void TMediaPlayer::Check(MCIERROR result) {
    error_ = result;
    if (result) throw EFrameworkError(ErrorMessage());
}

std::wstring TMediaPlayer::ErrorMessage() const {
    if (!error_) return L"";
    wchar_t text[256] = {};
    if (!mciGetErrorStringW(error_, text, 256)) return L"MCI error " + std::to_wstring(error_);
    return text;
}

DWORD_PTR TMediaPlayer::NotifyFlagAndWindow(DWORD& flags) {
    if (!notify_) return 0;
    flags |= MCI_NOTIFY;
    return reinterpret_cast<DWORD_PTR>(Handle());
}

void TMediaPlayer::Open() {
    if (deviceId_) Close();
    MCI_OPEN_PARMSW open{};
    DWORD flags = MCI_WAIT | MCI_OPEN_ELEMENT;
    open.lpstrElementName = fileName_.c_str();
    if (!deviceType_.empty()) {
        open.lpstrDeviceType = deviceType_.c_str();
        flags |= MCI_OPEN_TYPE;
    }
    Check(mciSendCommandW(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open)));
    deviceId_ = open.wDeviceID;
    MCI_SET_PARMS set{};
    set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    Check(mciSendCommandW(deviceId_, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)));
}

void TMediaPlayer::Close() {
    if (!deviceId_) return;
    const UINT id = deviceId_;
    deviceId_ = 0;
    MCI_GENERIC_PARMS p{};
    Check(mciSendCommandW(id, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Play() {
    MCI_PLAY_PARMS play{};
    DWORD flags = 0;
    play.dwCallback = NotifyFlagAndWindow(flags);
    notify_ = false;
    Check(mciSendCommandW(deviceId_, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play)));
}

void TMediaPlayer::Pause() {
    if (Mode() == mpPaused) {
        Resume();
        return;
    }
    MCI_GENERIC_PARMS p{};
    DWORD flags = MCI_WAIT;
    p.dwCallback = NotifyFlagAndWindow(flags);
    notify_ = false;
    Check(mciSendCommandW(deviceId_, MCI_PAUSE, flags, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Resume() {
    MCI_GENERIC_PARMS p{};
    DWORD flags = 0;
    p.dwCallback = NotifyFlagAndWindow(flags);
    notify_ = false;
    // Not every device resumes; playing on from the paused position is the same to the user.
    const MCIERROR r = mciSendCommandW(deviceId_, MCI_RESUME, flags, reinterpret_cast<DWORD_PTR>(&p));
    if (r == MCIERR_UNSUPPORTED_FUNCTION || r == MCIERR_UNRECOGNIZED_COMMAND) {
        Play();
        return;
    }
    Check(r);
}

void TMediaPlayer::Stop() {
    MCI_GENERIC_PARMS p{};
    DWORD flags = MCI_WAIT;
    p.dwCallback = NotifyFlagAndWindow(flags);
    notify_ = false;
    Check(mciSendCommandW(deviceId_, MCI_STOP, flags, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Seek(uint32_t position) {
    MCI_SEEK_PARMS p{};
    p.dwTo = position;
    Check(mciSendCommandW(deviceId_, MCI_SEEK, MCI_WAIT | MCI_TO, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Next() {
    MCI_SEEK_PARMS p{};
    Check(mciSendCommandW(deviceId_, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_END, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Previous() {
    MCI_SEEK_PARMS p{};
    Check(mciSendCommandW(deviceId_, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, reinterpret_cast<DWORD_PTR>(&p)));
}

uint32_t TMediaPlayer::Frames() const {
    if (frames_) return frames_;
    return std::max<uint32_t>(1, Length() / 10);
}

void TMediaPlayer::Step() {
    Seek(std::min(Length(), Position() + Frames()));
}

void TMediaPlayer::Back() {
    const uint32_t pos = Position();
    const uint32_t step = Frames();
    Seek(pos > step ? pos - step : 0);
}

void TMediaPlayer::StartRecording() {
    MCI_RECORD_PARMS p{};
    DWORD flags = 0;
    p.dwCallback = NotifyFlagAndWindow(flags);
    notify_ = false;
    Check(mciSendCommandW(deviceId_, MCI_RECORD, flags, reinterpret_cast<DWORD_PTR>(&p)));
}

void TMediaPlayer::Eject() {
    MCI_SET_PARMS p{};
    Check(mciSendCommandW(deviceId_, MCI_SET, MCI_WAIT | MCI_SET_DOOR_OPEN, reinterpret_cast<DWORD_PTR>(&p)));
}

uint32_t TMediaPlayer::Status(DWORD item) const {
    if (!deviceId_) return 0;
    MCI_STATUS_PARMS p{};
    p.dwItem = item;
    if (mciSendCommandW(deviceId_, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&p))) return 0;
    return static_cast<uint32_t>(p.dwReturn);
}

TMPModes TMediaPlayer::Mode() const {
    if (!deviceId_) return mpNotReady;
    switch (Status(MCI_STATUS_MODE)) {
        case MCI_MODE_STOP: return mpStopped;
        case MCI_MODE_PLAY: return mpPlaying;
        case MCI_MODE_RECORD: return mpRecording;
        case MCI_MODE_SEEK: return mpSeeking;
        case MCI_MODE_PAUSE: return mpPaused;
        case MCI_MODE_OPEN: return mpOpen;
        default: return mpNotReady;
    }
}

uint32_t TMediaPlayer::Position() const {
    return Status(MCI_STATUS_POSITION);
}

uint32_t TMediaPlayer::Length() const {
    return Status(MCI_STATUS_LENGTH);
}

void TMediaPlayer::SetVisibleButtons(TButtonSet value) {
    visible_ = value & kAllMPButtons;
    Invalidate();
}

void TMediaPlayer::SetEnabledButtons(TButtonSet value) {
    enabled_ = value & kAllMPButtons;
    Invalidate();
}

void TMediaPlayer::SetColoredButtons(TButtonSet value) {
    colored_ = value & kAllMPButtons;
    Invalidate();
}

int TMediaPlayer::VisibleCount() const {
    int n = 0;
    for (int b = 0; b < kMPButtonCount; ++b)
        if (visible_ & (1u << b)) ++n;
    return n;
}

bool TMediaPlayer::ButtonAt(int x, TMPBtnType& button) const {
    const int count = VisibleCount();
    if (!count) return false;
    const int w = std::max(1, width_ / count);
    int slot = 0;
    for (int b = 0; b < kMPButtonCount; ++b) {
        if (!(visible_ & (1u << b))) continue;
        button = static_cast<TMPBtnType>(b);
        if (x < (slot + 1) * w) return true;
        ++slot;
    }
    return true;  // past the right: the last visible one
}

RECT TMediaPlayer::ButtonRect(TMPBtnType button) {
    RECT r{0, 0, 0, 0};
    const int count = VisibleCount();
    if (!count || !(visible_ & MPButton(button))) return r;
    const RECT client = ClientRect();
    const int w = client.right / count;
    int slot = 0;
    for (int b = 0; b < button; ++b)
        if (visible_ & (1u << b)) ++slot;
    return RECT{slot * w, 0, (slot + 1) * w, client.bottom};
}

void TMediaPlayer::ClickButton(TMPBtnType button) {
    bool doDefault = true;
    if (OnClick) OnClick(this, button, doDefault);
    if (!doDefault) return;
    switch (button) {
        case btPlay: Play(); break;
        case btPause: Pause(); break;
        case btStop: Stop(); break;
        case btNext: Next(); break;
        case btPrev: Previous(); break;
        case btStep: Step(); break;
        case btBack: Back(); break;
        case btRecord: StartRecording(); break;
        case btEject: Eject(); break;
    }
}

void TMediaPlayer::WndProc(TMessage& m) {
    switch (m.Msg) {
        case MM_MCINOTIFY:
            switch (m.WParam) {
                case MCI_NOTIFY_SUCCESSFUL: notifyValue_ = nvSuccessful; break;
                case MCI_NOTIFY_SUPERSEDED: notifyValue_ = nvSuperseded; break;
                case MCI_NOTIFY_ABORTED: notifyValue_ = nvAborted; break;
                default: notifyValue_ = nvFailure; break;
            }
            if (OnNotify) OnNotify(this);
            m.Result = 0;
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            TMPBtnType b;
            pressed_ = ButtonAt(GET_X_LPARAM(m.LParam), b) ? static_cast<int>(b) : -1;
            if (HandleAllocated()) SetCapture(Handle());
            Invalidate();
            m.Result = 0;
            return;
        }
        case WM_LBUTTONUP: {
            const int down = pressed_;
            pressed_ = -1;
            if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
            Invalidate();
            TMPBtnType b;
            const POINT pt{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            const bool inside = pt.y >= 0 && pt.y < height_ && pt.x >= 0 && pt.x < width_;
            if (down >= 0 && inside && ButtonAt(pt.x, b) && static_cast<int>(b) == down && (enabled_ & MPButton(b)) &&
                Enabled())
                ClickButton(b);
            m.Result = 0;
            return;
        }
        default: break;
    }
    TPaintedControl::WndProc(m);
}

void TMediaPlayer::Paint(HDC dc, const RECT& client) {
    UniqueBrush face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    FillRect(dc, &client, face.get());
    for (int i = 0; i < kMPButtonCount; ++i) {
        const auto b = static_cast<TMPBtnType>(i);
        RECT r = ButtonRect(b);
        if (r.right <= r.left) continue;
        const bool down = pressed_ == i;
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
        if (down) OffsetRect(&r, 1, 1);
        const TMPGlyph look = !(enabled_ & MPButton(b)) || !Enabled() ? mgDisabled
                              : (colored_ & MPButton(b))              ? mgColored
                                                                      : mgEnabled;
        DrawMPGlyph(dc, r, b, look);
    }
}

void RegisterMediaPlayerClass() {
    std::vector<std::wstring> names(std::begin(kButtonNames), std::end(kButtonNames));
    RegisterClassInfo<TMediaPlayer>(L"TMediaPlayer", L"TWinControl")
        .Creatable()
        .String(L"FileName", &TMediaPlayer::FileName, &TMediaPlayer::SetFileName)
        .String(L"DeviceType", &TMediaPlayer::DeviceType, &TMediaPlayer::SetDeviceType)
        .Set(L"VisibleButtons", &TMediaPlayer::VisibleButtons, &TMediaPlayer::SetVisibleButtons, names)
        .Default(kAllMPButtons)
        .Set(L"EnabledButtons", &TMediaPlayer::EnabledButtons, &TMediaPlayer::SetEnabledButtons, names)
        .Default(kAllMPButtons)
        .Set(L"ColoredButtons", &TMediaPlayer::ColoredButtons, &TMediaPlayer::SetColoredButtons, names)
        .Default(kAllMPButtons)
        .Bool(L"Notify", &TMediaPlayer::Notify, &TMediaPlayer::SetNotify)
        .Default(true)
        .Event(L"OnNotify", &TMediaPlayer::OnNotify);
}
