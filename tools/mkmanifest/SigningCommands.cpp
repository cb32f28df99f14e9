#include "SigningCommands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "KeyFile.h"
#include "Signer.h"
#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/StreamsAndLists.h"
#include "updater/FileInfo.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"
#include "updater/SignedManifest.h"

namespace fs = std::filesystem;

const char kSigningUsage[] =
    "       mkmanifest --sign PRIVATE_KEY_FILE [--serial N] [--expires-in DAYS | --expires-at T]\n"
    "                  [-o FILE] [--skip-unsafe] BASE_URL RELEASE_DIR\n"
    "       mkmanifest keygen PRIVATE_KEY_FILE\n"
    "       mkmanifest sign PRIVATE_KEY_FILE [--serial N] [--expires-in DAYS | --expires-at T]\n"
    "                  [--release RELEASE_DIR] [-o FILE] MANIFEST\n"
    "       mkmanifest verify PUBLIC_KEYS MANIFEST\n"
    "\n"
    "keygen writes a new P-256 private key (PKCS#8 PEM) to a file that must not\n"
    "exist yet, readable by its owner only, and prints its public key in the\n"
    "form UPDATER_PUBLIC_KEYS takes.\n"
    "--sign adds each file's SHA-256 and size as a fourth and fifth field, a\n"
    "\"#serial N\" line (by default the current Unix time), an \"#expires T\" line\n"
    "(by default 30 days from now) and the signature as the last line.\n"
    "sign does the same to an existing manifest (UTF-8). Entries without a\n"
    "SHA-256 or size get them from the file under --release, which must match\n"
    "the entry's MD5; without --release such entries make sign fail.\n"
    "verify checks a signed manifest against keys as UPDATER_PUBLIC_KEYS takes\n"
    "them, reading it as the updater does, and prints its serial, expiry and\n"
    "the number of entries with a SHA-256 and a size.\n";

namespace {

constexpr int64_t kDefaultExpiryDays = 30;

// A decimal number of at most limit; none on any other text.
std::optional<uint64_t> Decimal(const std::string& text, uint64_t limit) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        uint64_t digit = uint64_t(c - '0');
        if (value > (limit - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<int64_t> Integer(const std::string& text, bool allowNegative) {
    bool negative = allowNegative && !text.empty() && text[0] == '-';
    auto magnitude = Decimal(negative ? text.substr(1) : text, uint64_t(INT64_MAX));
    if (!magnitude) return std::nullopt;
    return negative ? -static_cast<int64_t>(*magnitude) : static_cast<int64_t>(*magnitude);
}

// Days since 1970-01-01 to a civil date, proleptic Gregorian, in 64 bits.
std::string UtcDate(int64_t unixTime) {
    int64_t days = unixTime / 86400 - (unixTime % 86400 < 0 ? 1 : 0);
    int64_t seconds = unixTime - days * 86400;
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[160];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::optional<std::string> ReadFile(const std::string& name) {
    std::ifstream f(fs::u8path(name), std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool WriteFile(const std::string& name, const std::string& data) {
    std::ofstream f(fs::u8path(name), std::ios::binary);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(f);
}

int Keygen(const std::vector<std::string>& argv) {
    if (argv.size() != 3) {
        std::fprintf(stderr, "usage: mkmanifest keygen PRIVATE_KEY_FILE\n");
        return 2;
    }
    ManifestSigner signer = ManifestSigner::Generate();
    std::string error;
    if (!CreateOwnerOnlyFile(argv[2], signer.PrivateKeyPem(), error)) {
        std::fprintf(stderr, "mkmanifest: cannot create %s (a key file is never overwritten): %s\n", argv[2].c_str(),
                     error.c_str());
        return 1;
    }
    std::printf("%s\n", PublicKeyText(signer.PublicKey()).c_str());
    return 0;
}

// The blank-separated fields of a manifest line, as the entry scan splits them.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string_view rest(line.data(), std::min(line.size(), line.find('\0')));
    const char* blanks = " \t\n\v\f\r";
    for (size_t i = rest.find_first_not_of(blanks); i != std::string_view::npos;
         i = rest.find_first_not_of(blanks, i)) {
        size_t end = std::min(rest.find_first_of(blanks, i), rest.size());
        fields.emplace_back(rest.substr(i, end - i));
        i = end;
    }
    return fields;
}

// Gives every entry of a manifest its SHA-256 and size, from the file under
// release; an entry that has both already is left as it is. None, after a
// message, when an entry lacks them and there is no release to read, or the
// file there is not the one the entry's MD5 names.
std::optional<std::string> CompleteEntries(const std::string& text, const std::string& release) {
    std::string out;
    int missing = 0;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of("\r\n", start);
        size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end != std::string::npos && text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        const std::string line = text.substr(start, (end == std::string::npos ? text.size() : end) - start);
        const std::string lineEnd = text.substr(start + line.size(), next - start - line.size());
        start = next;
        ++lineNumber;
        TStringList one;
        one.Add(Utf8ToWide(line));
        FileInfoList plain, complete;
        ParseManifestLines(one, plain);
        ParseSignedManifestLines(one, complete);
        if (plain.empty() || !complete.empty()) {
            out += line + lineEnd;
            continue;
        }
        const std::vector<std::string> fields = Fields(line);
        if (release.empty()) {
            std::fprintf(stderr, "mkmanifest: line %zu (%s): no SHA-256 and size\n", lineNumber, fields[1].c_str());
            ++missing;
            continue;
        }
        std::string rel = fields[1];
        std::replace(rel.begin(), rel.end(), '\\', '/');
        auto digests = FileDigestsOf(fs::u8path(release) / fs::u8path(rel));
        std::string md5 = fields[2];
        std::transform(md5.begin(), md5.end(), md5.begin(),
                       [](char c) { return char(std::tolower((unsigned char)c)); });
        if (!digests || digests->md5 != md5 ||
            (fields.size() > 3 && fields[3].size() == 64 && fields[3] != digests->sha256)) {
            std::fprintf(stderr, "mkmanifest: line %zu (%s): %s\n", lineNumber, fields[1].c_str(),
                         digests ? "the file under --release has other digests than the entry"
                                 : "cannot read the file under --release");
            return std::nullopt;
        }
        out += fields[0] + " " + fields[1] + " " + fields[2] + " " + digests->sha256 + " " +
               std::to_string(digests->size) + lineEnd;
    }
    if (missing > 0) {
        std::fprintf(stderr,
                     "mkmanifest: %d entr%s would be left out by a checking updater; give --release RELEASE_DIR "
                     "to fill them in; nothing written\n",
                     missing, missing == 1 ? "y" : "ies");
        return std::nullopt;
    }
    return out;
}

int SignExisting(const std::vector<std::string>& argv) {
    SigningOptions options;
    std::string out, input, release, error;
    if (argv.size() < 3) {
        std::fprintf(stderr, "usage:\n%s", kSigningUsage);
        return 2;
    }
    options.keyFile = argv[2];
    for (size_t i = 3; i < argv.size(); ++i) {
        if (argv[i] == "-o" && i + 1 < argv.size()) {
            out = argv[++i];
        } else if (argv[i] == "--release" && i + 1 < argv.size()) {
            release = argv[++i];
        } else if (TakeSigningOption(argv, i, options, error)) {
            if (!error.empty()) break;
        } else if (input.empty() && !argv[i].empty() && argv[i][0] != '-') {
            input = argv[i];
        } else {
            error = "unexpected argument " + argv[i];
        }
    }
    if (!error.empty() || input.empty()) {
        std::fprintf(stderr, "mkmanifest: %s\nusage:\n%s", error.empty() ? "no manifest" : error.c_str(),
                     kSigningUsage);
        return 2;
    }
    auto body = ReadFile(input);
    if (!body) {
        std::fprintf(stderr, "mkmanifest: cannot read %s\n", input.c_str());
        return 1;
    }
    // The updater reads signed bytes as UTF-8 only; what it would refuse is not signed.
    if (!IsStrictUtf8(*body)) {
        std::fprintf(stderr, "mkmanifest: %s is not UTF-8; nothing signed\n", input.c_str());
        return 1;
    }
    auto complete = CompleteEntries(*body, release);
    if (!complete) return 1;
    auto signedText = SignAsOptionsSay(*complete, options);
    if (!signedText) return 1;
    if (out.empty()) {
        std::fwrite(signedText->data(), 1, signedText->size(), stdout);
    } else if (!WriteFile(out, *signedText)) {
        std::fprintf(stderr, "mkmanifest: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}

int Verify(const std::vector<std::string>& argv) {
    if (argv.size() != 4) {
        std::fprintf(stderr, "usage: mkmanifest verify PUBLIC_KEYS MANIFEST\n");
        return 2;
    }
    auto keys = ParsePublicKeys(argv[2]);
    if (!keys) {
        std::fprintf(stderr, "mkmanifest: no usable public key in \"%s\"\n", argv[2].c_str());
        return 2;
    }
    auto raw = ReadFile(argv[3]);
    if (!raw) {
        std::fprintf(stderr, "mkmanifest: cannot read %s\n", argv[3].c_str());
        return 1;
    }
    SignedManifestInfo info;
    ManifestRefusal refusal = CheckSignedManifest(*raw, *keys, UnixTimeNow(), 0, info);
    if (refusal != ManifestRefusal::None) {
        std::fprintf(stderr, "mkmanifest: %s: refused: %s\n", argv[3].c_str(), to_string(refusal).c_str());
        return 1;
    }
    TStringList lines;
    lines.SetText(SignedManifestText(*raw, info));
    FileInfoList entries;
    ParseSignedManifestLines(lines, entries);
    // The build's floor is not known here: it accepts this serial when its UPDATER_MIN_SERIAL is not above it.
    std::printf("serial %llu\n", static_cast<unsigned long long>(info.serial));
    std::printf("expires %lld (%s)\n", static_cast<long long>(*info.expires), UtcDate(*info.expires).c_str());
    std::printf("entries %zu with SHA-256 and size\n", entries.size());
    // Entries an updater without keys would read but a checking one leaves out.
    FileInfoList plain;
    ParseManifestLines(lines, plain);
    if (plain.size() > entries.size())
        std::printf("left out %zu without a well-formed SHA-256 and size\n", plain.size() - entries.size());
    return 0;
}

}  // namespace

bool TakeSigningOption(const std::vector<std::string>& argv, size_t& i, SigningOptions& options, std::string& error) {
    const std::string& a = argv[i];
    if (a != "--sign" && a != "--serial" && a != "--expires-in" && a != "--expires-at") return false;
    if (i + 1 >= argv.size()) {
        error = a + " needs a value";
        return true;
    }
    const std::string& value = argv[++i];
    if (a == "--sign") {
        options.keyFile = value;
    } else if (a == "--serial") {
        options.serial = Decimal(value, UINT64_MAX);
        if (!options.serial) error = "--serial takes a decimal number below 2^64";
    } else if (a == "--expires-in") {
        options.expiresInDays = Integer(value, true);
        if (!options.expiresInDays || *options.expiresInDays > 36500 || *options.expiresInDays < -36500)
            error = "--expires-in takes a number of days";
    } else {
        options.expiresAt = Integer(value, false);
        if (!options.expiresAt) error = "--expires-at takes a Unix time";
    }
    return true;
}

std::optional<int> RunSigningCommand(const std::vector<std::string>& argv) {
    if (argv.size() < 2) return std::nullopt;
    try {
        if (argv[1] == "keygen") return Keygen(argv);
        if (argv[1] == "sign") return SignExisting(argv);
        if (argv[1] == "verify") return Verify(argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkmanifest: %s\n", e.what());
        return 1;
    }
    return std::nullopt;
}

std::optional<std::string> SignAsOptionsSay(const std::string& text, const SigningOptions& options) {
    try {
        auto pem = ReadFile(options.keyFile);
        if (!pem) {
            std::fprintf(stderr, "mkmanifest: cannot read the key %s\n", options.keyFile.c_str());
            return std::nullopt;
        }
        ManifestSigner signer = ManifestSigner::FromPem(*pem);
        const int64_t now = UnixTimeNow();
        // Without an expiry a checking updater refuses the manifest.
        int64_t expires = now + kDefaultExpiryDays * 86400;
        if (options.expiresAt) expires = *options.expiresAt;
        if (options.expiresInDays) expires = now + *options.expiresInDays * 86400;
        return SignManifestText(text, options.serial.value_or(static_cast<uint64_t>(now)), expires, signer);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkmanifest: %s: %s\n", options.keyFile.c_str(), e.what());
        return std::nullopt;
    }
}

std::optional<FileDigests> FileDigestsOf(const fs::path& file) {
    Sha256Hasher sha256;
    int64_t size = 0;
#ifdef _WIN32
    std::wstring name = file.wstring();
#else
    std::wstring name = Utf8ToWide(file.u8string());
#endif
    // The size is what was hashed, not what a separate look at the file said.
    auto md5 = MD5File(name, [&](const uint8_t* data, size_t count) {
        sha256.Update(data, count);
        size += static_cast<int64_t>(count);
    });
    if (!md5) return std::nullopt;
    Sha256Digest digest = sha256.Final();
    return FileDigests{*md5, HexText(digest.data(), digest.size()), size};
}
