#include <vector>

#include "FileSystem.h"

namespace {
bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/' || c == L':';
}
bool IsSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "C:\" or "C:/" at the start.
bool StartsWithDriveRoot(std::wstring_view p) {
    return p.size() >= 3 && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) && p[1] == L':' &&
           IsSlash(p[2]);
}

// Splits at either slash; empty pieces stay, so a trailing separator shows as a last empty piece.
std::vector<std::wstring_view> Pieces(std::wstring_view p) {
    std::vector<std::wstring_view> out;
    size_t start = 0;
    for (size_t i = 0; i <= p.size(); ++i)
        if (i == p.size() || IsSlash(p[i])) {
            out.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

bool IsRelativeStep(std::wstring_view c) {
    return c == L"." || c == L"..";
}
}  // namespace

std::wstring ExtractFilePath(const std::wstring& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(0, i);
    return {};
}

std::wstring ExtractFileName(const std::wstring& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(i);
    return path;
}

std::wstring ExtendedLengthPath(std::wstring_view fullPath) {
    const std::wstring unchanged(fullPath);
    std::wstring_view p = fullPath;
    bool extended = p.size() >= 4 && IsSlash(p[0]) && IsSlash(p[1]) && p[2] == L'?' && IsSlash(p[3]);
    if (extended) p.remove_prefix(4);
    std::wstring root;
    std::vector<std::wstring_view> pieces;
    if (StartsWithDriveRoot(p)) {
        root = L"\\\\?\\" + std::wstring(p.substr(0, 2));
        pieces = Pieces(p.substr(3));
    } else {
        // UNC: "\\server\share\..." plainly, "\\?\UNC\server\share\..." when extended.
        if (extended) {
            if (p.size() < 4 || !IsSlash(p[3]) || (p.substr(0, 3) != L"UNC" && p.substr(0, 3) != L"unc"))
                return unchanged;
            p.remove_prefix(4);
        } else {
            if (p.size() < 3 || !IsSlash(p[0]) || !IsSlash(p[1])) return unchanged;
            // "\\.\" and "\\?\" are device paths, not servers.
            if ((p[2] == L'.' || p[2] == L'?') && (p.size() == 3 || IsSlash(p[3]))) return unchanged;
            p.remove_prefix(2);
        }
        pieces = Pieces(p);
        std::vector<std::wstring_view> share;
        size_t i = 0;
        for (; i < pieces.size() && share.size() < 2; ++i)
            if (!pieces[i].empty()) share.push_back(pieces[i]);
        if (share.size() < 2 || IsRelativeStep(share[0]) || IsRelativeStep(share[1])) return unchanged;
        root = L"\\\\?\\UNC\\" + std::wstring(share[0]) + L"\\" + std::wstring(share[1]);
        pieces.erase(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(i));
    }
    std::vector<std::wstring_view> kept;
    for (std::wstring_view c : pieces) {
        if (c.empty() || c == L".") continue;
        if (c == L"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(c);
    }
    std::wstring out = root;
    for (std::wstring_view c : kept) {
        out += L'\\';
        out += c;
    }
    // A root keeps its separator; so does a directory named with one.
    if (kept.empty() || (!pieces.empty() && pieces.back().empty())) out += L'\\';
    return out;
}
