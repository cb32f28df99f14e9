// mkmanifest: writes the update manifest for a release folder.
//
// One line per file, sorted by relative path: the download URL (base URL plus
// the percent-encoded path), the backslash-separated relative path and the
// lower-case MD5, with CR LF line ends, after one "#" comment line.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "SigningCommands.h"
#include "framework/system/CodePage.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: mkmanifest [-o FILE] [--skip-unsafe] BASE_URL RELEASE_DIR\n"
    "\n"
    "Writes the update manifest for every file under RELEASE_DIR: one line each\n"
    "with BASE_URL/<path> (percent-encoded), the relative path with backslashes\n"
    "and the file's MD5. The manifest goes to FILE, or to standard output.\n"
    "A file whose path the manifest cannot carry (white space or control\n"
    "characters, '..', over 255 bytes) or that Windows cannot hold as a plain\n"
    "file (device names such as CON or COM1.txt, a name ending in a dot or a\n"
    "blank, one of < > \" | ? *) is reported and makes mkmanifest fail, unless\n"
    "--skip-unsafe is given, which leaves such files out.\n";

std::string PercentEncode(const std::string& segment) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : segment) {
        if (std::isalnum(c) || std::strchr("-._~!$&'()*+,;=@", c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Why a relative path (UTF-8, '/'-separated) cannot go into the manifest, or "".
std::string Unsafe(const std::string& rel, const std::string& url) {
    for (unsigned char c : rel)
        if (c <= ' ' || c == 0x7F) return "white space or a control character in the name";
    if (rel.size() > kManifestFieldMax) return "path longer than 255 bytes";
    if (url.size() > kManifestFieldMax) return "URL longer than 255 bytes";
    std::string backslashed = rel;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    if (rel.find('\\') != std::string::npos) return "backslash in a name";
    if (!IsSafeRelativePath(Utf8ToWide(backslashed)))
        return "not a plain file name on Windows (device name, trailing dot or blank, or reserved character)";
    return "";
}

std::string Md5Hex(const fs::path& file) {
#ifdef _WIN32
    return MD5File(file.wstring()).value_or("");
#else
    return MD5File(Utf8ToWide(file.u8string())).value_or("");
#endif
}

}  // namespace

// Arguments arrive as UTF-8.
int Run(const std::vector<std::string>& argv) {
    if (auto rc = RunSigningCommand(argv)) return *rc;
    const size_t argc = argv.size();
    SigningOptions signing;
    std::string out, base;
    bool skipUnsafe = false;
    std::vector<std::string> positional;
    for (size_t i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kSigningUsage, stdout);
            return 0;
        } else if (a == "-o" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--skip-unsafe") {
            skipUnsafe = true;
        } else if (std::string error; TakeSigningOption(argv, i, signing, error)) {
            if (!error.empty()) {
                std::fprintf(stderr, "mkmanifest: %s\n", error.c_str());
                return 2;
            }
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "mkmanifest: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (signing.keyFile.empty() && (signing.serial || signing.expiresInDays || signing.expiresAt)) {
        std::fputs("mkmanifest: --serial and --expires-* need --sign\n", stderr);
        return 2;
    }
    base = positional[0];
    while (!base.empty() && base.back() == '/') base.pop_back();
    fs::path root = fs::u8path(positional[1]);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        std::fprintf(stderr, "mkmanifest: %s is not a folder\n", positional[1].c_str());
        return 1;
    }
    fs::path outPath = out.empty() ? fs::path() : fs::weakly_canonical(fs::u8path(out), ec);

    std::vector<std::pair<std::string, fs::path>> files;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (!outPath.empty() && fs::weakly_canonical(it->path(), ec) == outPath) continue;
        files.emplace_back(fs::relative(it->path(), root, ec).generic_u8string(), it->path());
    }
    if (ec) {
        std::fprintf(stderr, "mkmanifest: cannot read %s: %s\n", positional[1].c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());

    std::string text = "# update manifest written by mkmanifest\r\n";
    int rejected = 0;
    for (const auto& [rel, path] : files) {
        std::string url = base;
        size_t start = 0;
        while (start <= rel.size()) {
            size_t end = rel.find('/', start);
            if (end == std::string::npos) end = rel.size();
            url += "/" + PercentEncode(rel.substr(start, end - start));
            start = end + 1;
        }
        std::string why = Unsafe(rel, url);
        if (!why.empty()) {
            std::fprintf(stderr, "mkmanifest: %s: %s%s\n", rel.c_str(), why.c_str(), skipUnsafe ? " (skipped)" : "");
            ++rejected;
            continue;
        }
        std::string digest, sha256;
        if (signing.keyFile.empty()) {
            digest = Md5Hex(path);
        } else if (auto digests = FileDigestsOf(path)) {
            digest = digests->md5;
            sha256 = " " + digests->sha256 + " " + std::to_string(digests->size);
        }
        if (digest.empty()) {
            std::fprintf(stderr, "mkmanifest: cannot read %s\n", rel.c_str());
            return 1;
        }
        std::string field = rel;
        std::replace(field.begin(), field.end(), '/', '\\');
        text += url + " " + field + " " + digest + sha256 + "\r\n";
    }
    if (rejected > 0 && !skipUnsafe) {
        std::fprintf(stderr, "mkmanifest: %d file(s) cannot be listed; nothing written\n", rejected);
        return 1;
    }
    if (!signing.keyFile.empty()) {
        auto signedText = SignAsOptionsSay(text, signing);
        if (!signedText) return 1;
        text = *signedText;
    }
    if (out.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        std::ofstream f(fs::u8path(out), std::ios::binary);
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!f) {
            std::fprintf(stderr, "mkmanifest: cannot write %s\n", out.c_str());
            return 1;
        }
    }
    return 0;
}

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
    return Run(args);
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv, argv + argc));
}
#endif
