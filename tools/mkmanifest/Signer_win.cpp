// Signing with CNG, for mkmanifest.exe. CNG neither reads nor writes PKCS#8,
// so the key file goes through Pkcs8.h.
// bcrypt.h needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <cstring>
#include <vector>

#include "Pkcs8.h"
#include "Signer.h"

namespace {

constexpr NTSTATUS kOk = 0;

class Provider {
public:
    Provider() {
        if (BCryptOpenAlgorithmProvider(&handle_, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != kOk)
            throw ECryptoError("CNG has no ECDSA P-256 provider");
    }
    ~Provider() { BCryptCloseAlgorithmProvider(handle_, 0); }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

}  // namespace

struct ManifestSigner::Impl {
    Provider provider;
    BCRYPT_KEY_HANDLE key = nullptr;
    P256KeyPair pair;
    ~Impl() {
        if (key) BCryptDestroyKey(key);
    }
};

ManifestSigner::ManifestSigner(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
    std::copy(impl_->pair.publicPoint.begin(), impl_->pair.publicPoint.end(), publicKey_.begin());
}
ManifestSigner::~ManifestSigner() = default;
ManifestSigner::ManifestSigner(ManifestSigner&&) noexcept = default;
ManifestSigner& ManifestSigner::operator=(ManifestSigner&&) noexcept = default;

ManifestSigner ManifestSigner::Generate() {
    auto impl = std::make_unique<Impl>();
    if (BCryptGenerateKeyPair(impl->provider.Get(), &impl->key, 256, 0) != kOk ||
        BCryptFinalizeKeyPair(impl->key, 0) != kOk)
        throw ECryptoError("key generation failed");
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 96);
    ULONG length = 0;
    if (BCryptExportKey(impl->key, nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(), static_cast<ULONG>(blob.size()),
                        &length, 0) != kOk ||
        length != blob.size())
        throw ECryptoError("cannot export the new key");
    const uint8_t* p = blob.data() + sizeof(BCRYPT_ECCKEY_BLOB);
    std::memcpy(impl->pair.publicPoint.data(), p, 64);
    std::memcpy(impl->pair.d.data(), p + 64, 32);
    return ManifestSigner(std::move(impl));
}

ManifestSigner ManifestSigner::FromPem(std::string_view pem) {
    auto der = PemDecode(pem);
    auto pair = der ? DecodeP256Pkcs8(*der) : std::nullopt;
    if (!pair) throw ECryptoError("not a PKCS#8 EC P-256 private key with its public key");
    auto impl = std::make_unique<Impl>();
    impl->pair = *pair;
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 96);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, pair->publicPoint.data(), 64);
    std::memcpy(blob.data() + sizeof header + 64, pair->d.data(), 32);
    NTSTATUS status = BCryptImportKeyPair(impl->provider.Get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, &impl->key,
                                          blob.data(), static_cast<ULONG>(blob.size()), 0);
    SecureZeroMemory(blob.data(), blob.size());
    if (status != kOk) throw ECryptoError("CNG refused the key");
    return ManifestSigner(std::move(impl));
}

std::string ManifestSigner::PrivateKeyPem() const {
    return PemEncode(EncodeP256Pkcs8(impl_->pair));
}

P256Signature ManifestSigner::Sign(const Sha256Digest& digest) const {
    Sha256Digest hash = digest;
    P256Signature signature{};
    ULONG length = 0;
    if (BCryptSignHash(impl_->key, nullptr, hash.data(), static_cast<ULONG>(hash.size()), signature.data(),
                       static_cast<ULONG>(signature.size()), &length, 0) != kOk ||
        length != signature.size())
        throw ECryptoError("BCryptSignHash failed");
    return signature;
}
