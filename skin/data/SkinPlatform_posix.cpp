#include "skin/data/SkinPlatform.h"

int ScrollArrowWidth() {
    return 16;
}

std::unique_ptr<TBitmap> LoadProgramBitmap(const std::wstring& name) {
    return DrawProgramBitmap(name);
}
