#include "tools/skinpack/SkinPack.h"

#include <algorithm>
#include <set>

#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/FileSystem.h"
#include "skin/data/SkinMessage.h"
#include "skin/data/Winconvert.h"

namespace fs = std::filesystem;

namespace {
std::wstring Wide(const fs::path& p) {
#ifdef _WIN32
    return p.wstring();
#else
    return Utf8ToWide(p.u8string());
#endif
}

std::string Utf8(const fs::path& p) {
    return WideToUtf8(Wide(p));
}

void PutLE32(std::vector<uint8_t>& out, int64_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
}

std::wstring LowerExt(const fs::path& p) {
    return LowerCaseAscii(Wide(p.extension()));
}

std::string ReadWhole(const fs::path& path, std::vector<uint8_t>& out) {
    try {
        TFileStream file(Wide(path), fmOpenRead | fmShareDenyWrite);
        out.resize(static_cast<size_t>(file.Size()));
        file.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
        return "";
    } catch (const EFrameworkError& e) {
        return "cannot read " + Utf8(path) + ": " + e.what();
    }
}

std::string WriteWhole(const fs::path& path, const uint8_t* data, int64_t size) {
    try {
        TFileStream file(Wide(path), fmCreate);
        file.WriteBuffer(data, size);
        return "";
    } catch (const EFrameworkError& e) {
        return "cannot write " + Utf8(path) + ": " + e.what();
    }
}

// Why a directory name cannot be a file name of its own, or "".
std::string UnsafeName(const std::wstring& name) {
    if (name.empty()) return "an empty member name";
    if (name == L"." || name == L"..") return "member name \"" + WideToUtf8(name) + "\"";
    for (wchar_t c : name)
        if (c < 32 || c == L'/' || c == L'\\' || c == L':')
            return "member name \"" + WideToUtf8(name) + "\" is not a plain file name";
    return "";
}
}  // namespace

std::vector<uint8_t> ExpandedSkinPackage(const std::vector<SkinPackMember>& members, const std::string& skinName) {
    std::string dir;
    for (const auto& m : members) dir += m.name + "\r\n";
    std::vector<uint8_t> out;
    PutLE32(out, kSkinPackVersion);
    PutLE32(out, static_cast<int64_t>(dir.size()));
    PutLE32(out, 0);
    PutLE32(out, 0);
    const int width = TSkinReader::NameFieldWidth(kSkinPackVersion);
    std::string name = skinName.substr(0, static_cast<size_t>(width - 1));  // always NUL-terminated
    name.resize(static_cast<size_t>(width), '\0');
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), dir.begin(), dir.end());
    for (const auto& m : members) PutLE32(out, static_cast<int64_t>(m.data.size()));
    for (const auto& m : members) out.insert(out.end(), m.data.begin(), m.data.end());
    return out;
}

std::string BuildSkinPackage(const fs::path& folder, const fs::path& file) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return "folder not found: " + Utf8(folder);
    std::vector<fs::path> inis, bitmaps;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::wstring ext = LowerExt(it->path());
        if (ext == L".ini") inis.push_back(it->path());
        if (ext == L".bmp") bitmaps.push_back(it->path());
    }
    if (ec) return "cannot read folder " + Utf8(folder) + ": " + ec.message();
    if (inis.empty()) return "no .ini file in " + Utf8(folder);
    if (inis.size() > 1) return "more than one .ini file in " + Utf8(folder) + "; a skin has one description";
    auto byName = [](const fs::path& a, const fs::path& b) {
        return LowerCaseAscii(Wide(a.filename())) < LowerCaseAscii(Wide(b.filename()));
    };
    std::sort(bitmaps.begin(), bitmaps.end(), byName);

    std::vector<SkinPackMember> members;
    std::set<std::wstring> seen;
    std::vector<fs::path> files = inis;
    files.insert(files.end(), bitmaps.begin(), bitmaps.end());
    for (const auto& path : files) {
        std::wstring wide = Wide(path.filename());
        std::string ansi = WideToAnsi(wide);
        if (AnsiToWide(ansi) != wide)
            return "file name " + WideToUtf8(wide) + " cannot be written in this system's code page";
        std::string why = UnsafeName(wide);
        if (!why.empty()) return why;
        // The reader matches names without regard to ASCII case and serves the first.
        if (!seen.insert(LowerCaseAscii(wide)).second)
            return "two files named " + WideToUtf8(LowerCaseAscii(wide)) + " (names differ only in case)";
        SkinPackMember m{ansi, {}};
        std::string err = ReadWhole(path, m.data);
        if (!err.empty()) return err;
        if (m.data.size() > static_cast<size_t>(INT32_MAX)) return Utf8(path) + " is too large for a package";
        members.push_back(std::move(m));
    }

    std::vector<uint8_t> expanded = ExpandedSkinPackage(members, WideToAnsi(Wide(fs::absolute(folder, ec).filename())));
    if (expanded.size() > static_cast<size_t>(INT32_MAX)) return "the skin is too large for a package";
    TMemoryStream in, out;
    in.WriteBuffer(expanded.data(), static_cast<int64_t>(expanded.size()));
    LZHPackStream(in, out);
    return WriteWhole(file, out.Memory(), out.Size());
}

std::string OpenSkinPackage(const fs::path& file, TSkinReader& reader) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return "file not found: " + Utf8(file);
    std::vector<uint8_t> bytes;
    std::string err = ReadWhole(file, bytes);
    if (!err.empty()) return err;
    TMemoryStream stored;
    stored.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));

    bool unknownVersion = false;
    SetSkinMessageHook([&](const std::wstring&) { unknownVersion = true; });
    bool loaded = false;
    try {
        loaded = reader.Loadfromstream(stored);
    } catch (const EFrameworkError& e) {
        SetSkinMessageHook(nullptr);
        return std::string("cannot expand the package: ") + e.what();
    }
    SetSkinMessageHook(nullptr);
    if (unknownVersion)
        return "unknown package version " + std::to_string(reader.header.Version) +
               " (known: 20000, 30000, 40000, 50000, 60000, 70000)";
    if (!loaded) return "damaged package: shorter than its length field, or declaring more data than it can hold";
    for (int32_t size : reader.sizes)
        if (size < 0) return "damaged package: negative member size";
    if (reader.MemberBytes() > reader.ms.Size())
        return "damaged package: members need " + std::to_string(reader.MemberBytes()) + " bytes, " +
               std::to_string(reader.ms.Size()) + " are there";
    return "";
}

std::string ListSkinPackage(const fs::path& file, std::string& listing) {
    TSkinReader reader;
    std::string err = OpenSkinPackage(file, reader);
    if (!err.empty()) return err;
    listing = "version " + std::to_string(reader.header.Version) + "\n";
    for (int i = 0; i < reader.Num; ++i)
        listing += std::to_string(reader.sizes[static_cast<size_t>(i)]) + " " + WideToUtf8(reader.Dir[i]) + "\n";
    return "";
}

std::string ExtractSkinPackage(const fs::path& file, const fs::path& folder) {
    TSkinReader reader;
    std::string err = OpenSkinPackage(file, reader);
    if (!err.empty()) return err;
    for (const auto& name : reader.Dir) {
        std::string why = UnsafeName(name);
        if (!why.empty()) return "refusing to extract: " + why;
    }
    if (!ForceDirectories(Wide(folder))) return "cannot create folder " + Utf8(folder);
    std::set<std::wstring> written;
    for (int i = 0; i < reader.Num; ++i) {
        if (!written.insert(reader.Dir[i]).second) continue;
        TMemoryStream member;
        reader.ReadEntry(i, member);
#ifdef _WIN32
        fs::path target = folder / fs::path(reader.Dir[i]);
#else
        fs::path target = folder / fs::u8path(WideToUtf8(reader.Dir[i]));
#endif
        err = WriteWhole(target, member.Memory(), member.Size());
        if (!err.empty()) return err;
    }
    return "";
}
