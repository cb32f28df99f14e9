// The colours of Talvoria Slate, the second skin: dark slate window chrome
// (frame, caption, menu bar, status bar), a cool pale face for the controls,
// and one teal accent for selections, hot parts and the track-bar thumb.
// make_complete_skin draws every bitmap from these, and the tests that sample
// the skin's pixels on screen compare with the same values. Plain data, no
// platform headers: it builds natively and for Windows.
#pragma once

#include "skins/common/SkinColour.h"

namespace complete_skin {

using skin_art::Rgb;

// Chrome: the frame, caption band and menu bar of an active and an inactive window.
constexpr Rgb kSlate{40, 48, 61};
constexpr Rgb kSlateEdge{22, 27, 35};
constexpr Rgb kSlateRim{70, 82, 100};
constexpr Rgb kSlateHot{72, 86, 108};
constexpr Rgb kSlatePressed{24, 30, 40};
constexpr Rgb kSlateOff{104, 114, 128};
constexpr Rgb kSlateOffEdge{78, 87, 99};
constexpr Rgb kSlateOffRim{128, 138, 152};
constexpr Rgb kChromeInk{236, 240, 244};  // glyphs and text on the chrome
constexpr Rgb kChromeDim{150, 160, 172};  // disabled glyphs on the chrome
constexpr Rgb kTitleOff{214, 220, 228};   // title text of an inactive window
constexpr Rgb kStatus{52, 62, 78};        // status bar panels
constexpr Rgb kStatusDeep{30, 36, 46};
constexpr Rgb kStatusLit{84, 96, 114};

// The accent.
constexpr Rgb kTeal{0, 137, 140};
constexpr Rgb kTealDeep{0, 104, 107};
constexpr Rgb kTealPale{214, 236, 236};
constexpr Rgb kRed{214, 69, 65};
constexpr Rgb kRedDeep{160, 44, 40};

// Controls.
constexpr Rgb kFace{221, 227, 234};    // the scheme's button face
constexpr Rgb kRaised{236, 240, 245};  // button bodies
constexpr Rgb kSunk{200, 210, 222};    // pressed bodies
constexpr Rgb kLine{140, 152, 168};    // outlines (the scheme's shadow)
constexpr Rgb kDarkLine{88, 100, 116};
constexpr Rgb kInk{28, 36, 48};  // text and glyphs on the face
constexpr Rgb kField{255, 255, 255};
constexpr Rgb kDimFace{232, 236, 240};
constexpr Rgb kDimLine{178, 186, 196};
constexpr Rgb kDimInk{160, 168, 180};
constexpr Rgb kTrack{232, 236, 241};  // scroll-bar and progress tracks
constexpr Rgb kThumb{160, 172, 188};
constexpr Rgb kThumbPressed{96, 110, 130};
constexpr Rgb kPage{244, 247, 250};  // the rim of tab pages and the selected tab

// Menus.
constexpr Rgb kMenu{250, 251, 253};
constexpr Rgb kMenuGutter{233, 238, 243};
constexpr Rgb kMenuRule{206, 214, 224};
constexpr Rgb kMenuEdge{60, 72, 90};

constexpr Rgb kMagenta{255, 0, 255};

// Sizes the tests need to find parts on screen.
constexpr int kCaptionHeight = 28;  // the top border's frame height
constexpr int kBorderWidth = 4;     // left and right borders
constexpr int kBottomHeight = 5;
constexpr int kMdiButton = 16;  // one frame of the MDI child buttons (square)
// The MDI child buttons' XCoord (from the loader: (width / 12 + 4) x (3 - k)).
constexpr int kMdiMinimizeX = 3 * (kMdiButton + 4), kMdiRestoreX = 2 * (kMdiButton + 4), kMdiCloseX = kMdiButton + 4;
constexpr int kMenuBarLeft = 4;  // the menu bar image's fixed left part (TileLeftMenu)
constexpr int kPageRim = 4;      // the tab page's margins (Tab.Pane)

}  // namespace complete_skin
