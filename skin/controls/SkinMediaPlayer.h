// The skinned media player: a skin-drawn button bar (TWMediaPlayer) laid
// exactly over the player, which keeps doing the work: the bar forwards the
// mouse presses and releases to the player, whose buttons share the same
// layout. Windows only.
//
// Ownership: the bar is a component of the form skinning object (freed with
// it, or by Unsubclass while the player lives); the player is not owned.
#pragma once

#include <array>
#include <memory>

#include "framework/controls/MediaPlayer.h"
#include "skin/controls/SkinControl.h"

class TSkinMP;

class TWMediaPlayer : public TPaintedControl {
public:
    TWMediaPlayer(TComponent* AOwner, TSkinData* sd, TWinControl* player);
    ~TWMediaPlayer() override;
    std::wstring ClassName() const override { return L"TWMediaPlayer"; }
    void WndProc(TMessage& message) override;

    struct TButtonRec {
        bool Visible = false;
        bool Enabled = false;
        bool Colored = false;
        std::array<TBitmap, 3> Bitmaps;  // by TMPGlyph
    };
    std::array<TButtonRec, kMPButtonCount> Buttons;
    int count = 0;
    TSkinData* fsd = nullptr;
    bool IsDown = false;
    int BtnClick = -1;
    int BtnFocuse = -1;
    int BtnWidth = 0;
    TWinControl* obj = nullptr;
    TSkinMP* skincontrol = nullptr;  // told when the bar goes

    // The visible button whose span holds x, else the last type.
    int FindButton(int x) const;
    // Reads the player's button sets.
    void ReadButtons();

protected:
    void Paint(HDC dc, const RECT& client) override;

private:
    void LoadBitmaps();
};

class TSkinMP : public TSkinControl {
public:
    explicit TSkinMP(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinMP() override;
    std::wstring ClassName() const override { return L"TSkinMP"; }

    TWMediaPlayer* mp = nullptr;

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void AfterProc(TMessage& m) override;
    void Unsubclass() override;
    void SkinChange() override;

private:
    void PlaceBar();
};
