// How the portable skin reader tells the user something (today only: the
// package is of an unknown version). The program's default shows a message
// box on Windows and writes to stderr elsewhere; tests and tools install
// their own hook. Set the hook at start-up, before skins are loaded.
#pragma once

#include <functional>
#include <string>

using TSkinMessageHook = std::function<void(const std::wstring& text)>;

// An empty hook restores the platform default.
void SetSkinMessageHook(TSkinMessageHook hook);
void ShowSkinMessage(const std::wstring& text);

// The platform default (SkinMessage_win.cpp / SkinMessage_posix.cpp).
void DefaultSkinMessage(const std::wstring& text);
