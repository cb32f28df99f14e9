// The skin objects: one per kind of window or control part, each an image
// strip of equal frames with nine-slice margins. Portable.
//
// Every object owns its bitmaps, except that objects whose image names the
// same package member share that one decoded Map (a skin can name one large
// bitmap in any number of sections). A shared Map is never empty and is
// read-only once the load is over; an empty Map is always the object's own.
// A loaded skin (TSkinDataCore::LoadFromIni) guarantees for every object it
// holds: frame >= 1, and margins that lie within one frame of a non-empty
// Map, so drawing code never divides by zero and never asks for pixels
// outside the strip.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/Types.h"

class TDataSkinObject {
public:
    // map: a decoded member to share; null gives the object an empty Map of its own.
    explicit TDataSkinObject(std::wstring idName, std::shared_ptr<TBitmap> map = nullptr)
        : mapStore_(map ? std::move(map) : std::make_shared<TBitmap>()), IDName(std::move(idName)) {}
    virtual ~TDataSkinObject() = default;
    TDataSkinObject(const TDataSkinObject&) = delete;
    TDataSkinObject& operator=(const TDataSkinObject&) = delete;

private:
    std::shared_ptr<TBitmap> mapStore_;  // keeps Map alive; declared before it

public:
    TRect r;  // margins: Left width, Top height, Right width, Bottom height
    TBitmap& Map = *mapStore_;
    int32_t trans = 0;  // 1: magenta pixels are transparent
    // Centre mode. Borders and the menu bar: 1 stretched, else tiled. Every
    // other object: non-zero tiled, 0 stretched.
    int32_t Tile = 0;
    std::wstring IDName;
    int32_t frame = 0;
    int32_t style = 0;
    int32_t Normalcolor = 0, Overcolor = 0, Downcolor = 0;  // -1: not given
    TColor Normalcolor2 = 0, Overcolor2 = 0, Downcolor2 = 0;
};

class TDataSkinBorder : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    TBitmap MaskMap;  // a second image: mask or glyph strip
};

class TDataSkinTitle : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t Aligment = 0, BackGround = 0, FontHeight = 0, backleft = 0, backright = 0;
    TColor activetext = 0, inactivetext = 0;  // clNone (0x1FFFFFFF) when the skin gives none
};

class TDataSkinButton : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    TBitmap CheckMap, RadioMap;
    int32_t radioframe = 0, checkframe = 0;
    bool newnormal = false, newover = false, newdown = false;  // the skin gave the colour-2 keys
};

// One caption button.
class TDataSkinSysButton : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t Action = 0, Align = 0, XCoord = 0, YCoord = 0, CombineOp = 0, Visibility = 0, Visibility1 = 0;
};

class TDataSkinBoxLabel : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t LeftShift = 0, RightShift = 0, Alignment = 0;
};
