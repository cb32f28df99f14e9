#include "SigningCommands.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "Signer.h"
#include "framework/system/Classes.h"
#include "framework/system/CodePage.h"
#include "updater/FileInfo.h"
#include "updater/Md5.h"
#include "updater/SignedManifest.h"

namespace fs = std::filesystem;

const char kSigningUsage[] =
    "       mkmanifest --sign PRIVATE_KEY_FILE [--serial N] [--expires-in DAYS | --expires-at T]\n"
    "                  [-o FILE] [--skip-unsafe] BASE_URL RELEASE_DIR\n"
    "       mkmanifest keygen PRIVATE_KEY_FILE\n"
    "       mkmanifest sign PRIVATE_KEY_FILE [--serial N] [--expires-in DAYS | --expires-at T]\n"
    "                  [-o FILE] MANIFEST\n"
    "       mkmanifest verify PUBLIC_KEYS MANIFEST\n"
    "\n"
    "keygen writes a new P-256 private key (PKCS#8 PEM) to a file that must not\n"
    "exist yet and prints its public key in the form UPDATER_PUBLIC_KEYS takes.\n"
    "--sign adds each file's SHA-256 as a fourth field, a \"#serial N\" line (by\n"
    "default the current Unix time), an optional \"#expires T\" line and the\n"
    "signature as the last line. sign does the same to an existing manifest.\n"
    "verify checks a signed manifest against keys as UPDATER_PUBLIC_KEYS takes\n"
    "them and prints its serial, expiry and entries.\n";

namespace {

std::optional<int64_t> Integer(const std::string& text, bool allowNegative) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    size_t i = allowNegative && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return text[0] == '-' ? -value : value;
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
    std::error_code ec;
    if (fs::exists(fs::u8path(argv[2]), ec)) {
        std::fprintf(stderr, "mkmanifest: %s exists; a key is never overwritten\n", argv[2].c_str());
        return 1;
    }
    ManifestSigner signer = ManifestSigner::Generate();
    {
        // Readable by its owner only, from the moment it exists.
        std::ofstream create(fs::u8path(argv[2]), std::ios::binary);
        if (!create) {
            std::fprintf(stderr, "mkmanifest: cannot write %s\n", argv[2].c_str());
            return 1;
        }
    }
    fs::permissions(fs::u8path(argv[2]), fs::perms::owner_read | fs::perms::owner_write, ec);
    if (!WriteFile(argv[2], signer.PrivateKeyPem())) {
        std::fprintf(stderr, "mkmanifest: cannot write %s\n", argv[2].c_str());
        return 1;
    }
    std::printf("%s\n", PublicKeyText(signer.PublicKey()).c_str());
    return 0;
}

int SignExisting(const std::vector<std::string>& argv) {
    SigningOptions options;
    std::string out, input, error;
    if (argv.size() < 3) {
        std::fprintf(stderr, "usage:\n%s", kSigningUsage);
        return 2;
    }
    options.keyFile = argv[2];
    for (size_t i = 3; i < argv.size(); ++i) {
        if (argv[i] == "-o" && i + 1 < argv.size()) {
            out = argv[++i];
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
    auto signedText = SignAsOptionsSay(*body, options);
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
    ManifestRefusal refusal = CheckSignedManifest(*raw, *keys, static_cast<int64_t>(std::time(nullptr)), 0, info);
    if (refusal != ManifestRefusal::None) {
        std::fprintf(stderr, "mkmanifest: %s: refused: %s\n", argv[3].c_str(), to_string(refusal).c_str());
        return 1;
    }
    TStringList lines;
    lines.SetText(Utf8ToWide(raw->substr(0, info.signedLength)));
    FileInfoList entries;
    ParseSignedManifestLines(lines, entries);
    std::printf("serial %llu\n", static_cast<unsigned long long>(info.serial));
    if (info.expires) std::printf("expires %lld\n", static_cast<long long>(*info.expires));
    std::printf("entries %zu\n", entries.size());
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
        auto n = Integer(value, false);
        if (!n) error = "--serial takes a decimal number";
        options.serial = n ? std::optional<uint64_t>(static_cast<uint64_t>(*n)) : std::nullopt;
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
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        std::optional<int64_t> expires = options.expiresAt;
        if (options.expiresInDays) expires = now + *options.expiresInDays * 86400;
        return SignManifestText(text, options.serial.value_or(static_cast<uint64_t>(now)), expires, signer);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkmanifest: %s: %s\n", options.keyFile.c_str(), e.what());
        return std::nullopt;
    }
}

std::optional<std::pair<std::string, std::string>> Md5AndSha256(const fs::path& file) {
    Sha256Hasher sha256;
#ifdef _WIN32
    std::wstring name = file.wstring();
#else
    std::wstring name = Utf8ToWide(file.u8string());
#endif
    auto md5 = MD5File(name, [&](const uint8_t* data, size_t count) { sha256.Update(data, count); });
    if (!md5) return std::nullopt;
    Sha256Digest digest = sha256.Final();
    return std::make_pair(*md5, HexText(digest.data(), digest.size()));
}
