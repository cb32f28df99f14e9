// The signing side of mkmanifest: the keygen, sign and verify commands, and
// the --sign options of the manifest writer. Arguments arrive as UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct SigningOptions {
    std::string keyFile;  // empty: the manifest is not signed
    std::optional<uint64_t> serial;
    std::optional<int64_t> expiresInDays;  // without either: 30 days from now
    std::optional<int64_t> expiresAt;
};

// Takes the signing option at argv[i] and its value (i then points at the
// value); false when argv[i] is not one. A bad value leaves a message in error.
bool TakeSigningOption(const std::vector<std::string>& argv, size_t& i, SigningOptions& options, std::string& error);

// Runs "keygen", "sign" or "verify"; none when argv[1] is not one of them.
std::optional<int> RunSigningCommand(const std::vector<std::string>& argv);

// The signed manifest; none, after a message on standard error, on failure.
std::optional<std::string> SignAsOptionsSay(const std::string& text, const SigningOptions& options);

// What a signed entry says of a file, from one read of it.
struct FileDigests {
    std::string md5;     // lower-case hexadecimal
    std::string sha256;  // lower-case hexadecimal
    int64_t size = 0;    // the bytes read
};
// None when the file cannot be read.
std::optional<FileDigests> FileDigestsOf(const std::filesystem::path& file);

extern const char kSigningUsage[];
