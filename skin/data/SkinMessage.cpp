#include "skin/data/SkinMessage.h"

namespace {
TSkinMessageHook& Hook() {
    static TSkinMessageHook hook;
    return hook;
}
}  // namespace

void SetSkinMessageHook(TSkinMessageHook hook) {
    Hook() = std::move(hook);
}

void ShowSkinMessage(const std::wstring& text) {
    if (Hook())
        Hook()(text);
    else
        DefaultSkinMessage(text);
}
