// A media player over the system's MCI: a bar of up to nine buttons (play,
// pause, stop, next, previous, step, back, record, eject) that drive one open
// MCI device. Windows only.
//
// The device is opened from FileName (DeviceType picks the MCI device, by
// default the one the file's extension names; "waveaudio" for .wav). Times
// are in milliseconds. Play with Notify set asks MCI to report the end of the
// command: MM_MCINOTIFY reaches the player's window, NotifyValue holds the
// outcome and OnNotify runs. Failures of MCI raise EFrameworkError with the
// device's error text; Error keeps the last MCI error code.
//
// Layout: the visible buttons share the client width equally, side by side
// from the left (a skin bar laid over the player can then forward mouse
// presses and releases with the same coordinates). A press and a release over
// the same enabled button click it: OnClick may veto the default action.
#pragma once

#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <string>

#include "framework/controls/Controls.h"

enum TMPBtnType : uint8_t { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
constexpr int kMPButtonCount = 9;
using TButtonSet = uint16_t;  // TMPBtnType bits
constexpr TButtonSet kAllMPButtons = (1u << kMPButtonCount) - 1;
constexpr TButtonSet MPButton(TMPBtnType b) {
    return static_cast<TButtonSet>(1u << b);
}

// The looks of a button glyph.
enum TMPGlyph : uint8_t { mgEnabled, mgDisabled, mgColored };

enum TMPNotifyValues : uint8_t { nvSuccessful, nvSuperseded, nvAborted, nvFailure };
enum TMPModes : uint8_t { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

// The type names the set properties are written with ("btPlay", ...).
const wchar_t* MPButtonName(TMPBtnType b);

// Draws the symbol of a button type centred in rc in the colours of a look
// (the player's own buttons, and skins that have no glyph bitmaps of their own).
void DrawMPGlyph(HDC dc, const RECT& rc, TMPBtnType button, TMPGlyph look);

class TMediaPlayer : public TPaintedControl {
public:
    explicit TMediaPlayer(TComponent* AOwner);
    ~TMediaPlayer() override;
    std::wstring ClassName() const override { return L"TMediaPlayer"; }
    void WndProc(TMessage& message) override;

    const std::wstring& FileName() const { return fileName_; }
    void SetFileName(const std::wstring& value) { fileName_ = value; }
    // "" lets MCI choose by the file's extension.
    const std::wstring& DeviceType() const { return deviceType_; }
    void SetDeviceType(const std::wstring& value) { deviceType_ = value; }

    void Open();
    void Close();
    void Play();
    void Pause();  // pauses, or resumes a paused device
    void Resume();
    void Stop();
    void Next();      // to the end
    void Previous();  // to the start
    void Step();      // Frames milliseconds forward
    void Back();      // Frames milliseconds back
    void StartRecording();
    void Eject();
    void Seek(uint32_t position);

    bool IsOpen() const { return deviceId_ != 0; }
    UINT DeviceID() const { return deviceId_; }
    TMPModes Mode() const;
    uint32_t Position() const;
    void SetPosition(uint32_t value) { Seek(value); }
    uint32_t Length() const;
    // The step of Step and Back; 0 means a tenth of Length.
    uint32_t Frames() const;
    void SetFrames(uint32_t value) { frames_ = value; }
    MCIERROR Error() const { return error_; }
    std::wstring ErrorMessage() const;

    // Play asks for an end notification when set; each notification clears it.
    bool Notify() const { return notify_; }
    void SetNotify(bool value) { notify_ = value; }
    TMPNotifyValues NotifyValue() const { return notifyValue_; }
    TNotifyEvent OnNotify;
    std::function<void(TObject* Sender, TMPBtnType Button, bool& DoDefault)> OnClick;

    TButtonSet VisibleButtons() const { return visible_; }
    void SetVisibleButtons(TButtonSet value);
    TButtonSet EnabledButtons() const { return enabled_; }
    void SetEnabledButtons(TButtonSet value);
    TButtonSet ColoredButtons() const { return colored_; }
    void SetColoredButtons(TButtonSet value);

    // The button whose span holds client x (the last visible one past the right).
    bool ButtonAt(int x, TMPBtnType& button) const;
    // A button's rectangle in the client area; empty when it is hidden.
    RECT ButtonRect(TMPBtnType button);
    // Runs a button as a click on it does (OnClick, then the action).
    void ClickButton(TMPBtnType button);

protected:
    void Paint(HDC dc, const RECT& client) override;

private:
    void Check(MCIERROR result);
    DWORD_PTR NotifyFlagAndWindow(DWORD& flags);
    uint32_t Status(DWORD item) const;
    int VisibleCount() const;

    std::wstring fileName_;
    std::wstring deviceType_;
    UINT deviceId_ = 0;
    MCIERROR error_ = 0;
    uint32_t frames_ = 0;
    bool notify_ = true;
    TMPNotifyValues notifyValue_ = nvSuccessful;
    TButtonSet visible_ = kAllMPButtons;
    TButtonSet enabled_ = kAllMPButtons;
    TButtonSet colored_ = kAllMPButtons;
    int pressed_ = -1;  // the button a press went down on
};

// Makes TMediaPlayer known to the form reader and to property access by name.
void RegisterMediaPlayerClass();
