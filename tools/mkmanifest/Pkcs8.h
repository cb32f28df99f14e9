// The PKCS#8 form of an EC P-256 private key, for the CNG signer, which has
// no reader or writer of it. Only what the key file needs: the private
// scalar and the public point. Never reads outside the given bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct P256KeyPair {
    std::array<uint8_t, 32> d{};
    std::array<uint8_t, 64> publicPoint{};  // X || Y
};

std::vector<uint8_t> EncodeP256Pkcs8(const P256KeyPair& key);
// None unless the bytes are an EC P-256 PKCS#8 key that holds its public point.
std::optional<P256KeyPair> DecodeP256Pkcs8(const std::vector<uint8_t>& der);

// PEM armour with the label "PRIVATE KEY".
std::string PemEncode(const std::vector<uint8_t>& der);
std::optional<std::vector<uint8_t>> PemDecode(std::string_view pem);
