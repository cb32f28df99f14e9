// Signed update manifests.
//
// A signed manifest is an ordinary manifest whose comment lines carry its
// authentication, so updaters that do not check it read it unchanged:
//
//   #serial N                          once, anywhere before the signature;
//                                      N decimal, 0 .. 2^64-1, raised with every release
//   #expires T                         once; Unix time (seconds, UTC, 64-bit) from which
//                                      the manifest is refused
//   url path md5 sha256 size           entries; the fourth field is the file's SHA-256,
//                                      64 lower-case hexadecimal digits, the fifth its
//                                      length in bytes, decimal without sign or leading
//                                      zero, at most 2^63-1
//   #signature ecdsa-p256-sha256 SIG   the last line; SIG is the base64 of r || s
//                                      (64 bytes), the ECDSA P-256 signature of the
//                                      SHA-256 of every byte before this line
//
// The signature line may be followed by one line break and nothing else.
// "#serial", "#expires" and "#signature" start at the first byte of their line
// and are separated from their values by blanks (spaces or tabs); blanks may
// also end these lines. Lines end with CR LF, LF or CR. The signed bytes are
// UTF-8, whatever a server says their charset is; only they are ever parsed
// for entries. The readers here never read outside the text they are given,
// whatever it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/system/StreamsAndLists.h"
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
    NotUtf8,           // the signed bytes are not strict UTF-8
    NoExpires,         // no "#expires" line: a manifest must not be good for ever
    Expired,           // "#expires" has passed
    OlderSerial,       // lower than the floor: the build's lowest serial or the highest accepted
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
// one of keys, strict UTF-8, an expiry that is later than now (Unix time),
// serial not below lowestSerial.
ManifestRefusal CheckSignedManifest(std::string_view raw, const std::vector<P256PublicKey>& keys, int64_t now,
                                    uint64_t lowestSerial, SignedManifestInfo& info);

// The signed bytes of a manifest CheckSignedManifest accepted, as text: UTF-8
// decoded, with no regard to any charset a server named.
std::wstring SignedManifestText(std::string_view raw, const SignedManifestInfo& info);

// True when bytes are UTF-8 with no overlong form, surrogate or code point past U+10FFFF.
bool IsStrictUtf8(std::string_view bytes);

// Entries of the signed text, by the rules of ParseManifestLines, each with
// the SHA-256 of its fourth field and the size of its fifth; an entry without
// a well-formed fourth and fifth field is left out. Fields after the fifth
// are ignored.
void ParseSignedManifestLines(const TStringList& lines, FileInfoList& entries);
// The same over the whole signed text in the ANSI code page, in one pass (ParseManifestText).
void ParseSignedManifestText(std::string_view ansiText, FileInfoList& entries);

// The decimal size field: none unless digits without a leading zero, at most 2^63-1.
std::optional<int64_t> ParseSignedSize(std::string_view text);

// The build setting's keys: each the base64 of X || Y (64 bytes), separated by
// commas or blanks. None when the text holds no key or a malformed one.
std::optional<std::vector<P256PublicKey>> ParsePublicKeys(std::string_view text);
