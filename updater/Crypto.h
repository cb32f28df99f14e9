// SHA-256 and ECDSA P-256 signature checks, from the platform: CNG (bcrypt)
// on Windows, OpenSSL in the native build. Nothing here computes either
// algorithm itself.
//
// Keys and signatures are raw: a public key is the curve point X || Y (two
// 32-byte big-endian numbers), a signature is r || s (the same). A failure of
// the platform's provider raises ECryptoError; a signature that does not
// check out is a false result, never an exception.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

class ECryptoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Sha256Digest = std::array<uint8_t, 32>;
using P256PublicKey = std::array<uint8_t, 64>;
using P256Signature = std::array<uint8_t, 64>;

// An incremental SHA-256; Final ends it (Update after Final raises).
class Sha256Hasher {
public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;

    void Update(const void* data, size_t count);
    Sha256Digest Final();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

Sha256Digest Sha256Of(const void* data, size_t count);

// True when signature is a valid ECDSA P-256 signature of digest under key.
// A key that is not a point of the curve is a false result.
bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest, const P256Signature& signature);

// Lower-case hexadecimal text of bytes, two digits each.
std::string HexText(const uint8_t* data, size_t count);
