// Signed update manifests.
//
// A signed manifest is an ordinary manifest whose comment lines carry its
// authentication, so updaters that do not check it read it unchanged:
//
//   #serial N                          once, anywhere before the signature;
//                                      N decimal, 0 .. 2^64-1, raised with every release
//   #expires T                         at most once; Unix time (seconds, UTC) from which
//                                      the manifest is refused
//   url path md5 sha256                entries; the fourth field is the file's SHA-256,
//                                      64 lower-case hexadecimal digits
//   #signature ecdsa-p256-sha256 SIG   the last line; SIG is the base64 of r || s
//                                      (64 bytes), the ECDSA P-256 signature of the
//                                      SHA-256 of every byte before this line
//
// The signature line may be followed by one line break and nothing else.
// "#serial", "#expires" and "#signature" start at the first byte of their line
// and are separated from their values by blanks (spaces or tabs); blanks may
// also end these lines. Lines end with CR LF, LF or CR. Only the signed bytes
// are ever parsed for entries. The readers here never read outside the text
// they are given, whatever it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/system/Classes.h"
#include "updater/Crypto.h"
#include "updater/FileInfo.h"

enum class ManifestRefusal {
    None,
    Unsigned,          // the last line is not a signature line
    BadSignatureLine,  // a signature line of another algorithm or with a damaged value
    NoSerial,          // no "#serial" line, or a value that is not a 64-bit decimal number
    DuplicateSerial,   // more than one "#serial" line
    BadExpires,        // a damaged or repeated "#expires" line
    BadSignature,      // the signature is not valid under any of the keys
    Expired,           // "#expires" has passed
    OlderSerial,       // lower than the highest serial this installation accepted
};
std::string to_string(ManifestRefusal refusal);

// What the comment lines of a signed manifest say.
struct SignedManifestInfo {
    uint64_t serial = 0;
    std::optional<int64_t> expires;
    size_t signedLength = 0;  // the bytes before the signature line
    P256Signature signature{};
};

// Reads the structure of raw manifest bytes, without checking the signature.
ManifestRefusal ReadSignedManifest(std::string_view raw, SignedManifestInfo& info);

// Every check in the order a refusal is reported: structure, signature by
// one of keys, expiry at now (Unix time), serial not below highestAccepted.
ManifestRefusal CheckSignedManifest(std::string_view raw, const std::vector<P256PublicKey>& keys, int64_t now,
                                    uint64_t highestAccepted, SignedManifestInfo& info);

// Entries of the signed text, by the rules of ParseManifestLines, each with
// the SHA-256 of its fourth field; an entry without a well-formed fourth field
// is left out.
void ParseSignedManifestLines(const TStringList& lines, FileInfoList& entries);

// The build setting's keys: each the base64 of X || Y (64 bytes), separated by
// commas or blanks. None when the text holds no key or a malformed one.
std::optional<std::vector<P256PublicKey>> ParsePublicKeys(std::string_view text);
