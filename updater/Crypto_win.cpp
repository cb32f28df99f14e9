// The crypto seam on CNG.
// bcrypt.h needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <cstring>
#include <vector>

#include "updater/Crypto.h"

namespace {

constexpr NTSTATUS kOk = 0;

// Providers are opened once per process and kept: opening one costs far more
// than a hash, and a run hashes every listed file.
BCRYPT_ALG_HANDLE Provider(const wchar_t* algorithm) {
    struct Opened {
        BCRYPT_ALG_HANDLE handle = nullptr;
        NTSTATUS status = 0;
        explicit Opened(const wchar_t* name) { status = BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0); }
        ~Opened() {
            if (handle) BCryptCloseAlgorithmProvider(handle, 0);
        }
    };
    static Opened sha256(BCRYPT_SHA256_ALGORITHM);
    static Opened ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    const Opened& p = std::wcscmp(algorithm, BCRYPT_SHA256_ALGORITHM) == 0 ? sha256 : ecdsa;
    if (p.status != kOk || !p.handle) throw ECryptoError("CNG provider unavailable");
    return p.handle;
}

class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (key_) BCryptDestroyKey(key_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    BCRYPT_KEY_HANDLE* Out() { return &key_; }
    BCRYPT_KEY_HANDLE Get() const { return key_; }

private:
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

}  // namespace

struct Sha256Hasher::Impl {
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool finished = false;
    ~Impl() {
        if (hash) BCryptDestroyHash(hash);
    }
};

Sha256Hasher::Sha256Hasher() : impl_(std::make_unique<Impl>()) {
    if (BCryptCreateHash(Provider(BCRYPT_SHA256_ALGORITHM), &impl_->hash, nullptr, 0, nullptr, 0, 0) != kOk)
        throw ECryptoError("BCryptCreateHash failed");
}

Sha256Hasher::~Sha256Hasher() = default;

void Sha256Hasher::Update(const void* data, size_t count) {
    if (impl_->finished) throw ECryptoError("SHA-256 already finished");
    auto* p = static_cast<PUCHAR>(const_cast<void*>(data));
    while (count > 0) {
        ULONG piece = count > 0x40000000 ? 0x40000000 : static_cast<ULONG>(count);
        if (BCryptHashData(impl_->hash, p, piece, 0) != kOk) throw ECryptoError("BCryptHashData failed");
        p += piece;
        count -= piece;
    }
}

Sha256Digest Sha256Hasher::Final() {
    if (impl_->finished) throw ECryptoError("SHA-256 already finished");
    impl_->finished = true;
    Sha256Digest digest{};
    if (BCryptFinishHash(impl_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0) != kOk)
        throw ECryptoError("BCryptFinishHash failed");
    return digest;
}

bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest, const P256Signature& signature) {
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.data(), key.size());
    KeyHandle handle;
    if (BCryptImportKeyPair(Provider(BCRYPT_ECDSA_P256_ALGORITHM), nullptr, BCRYPT_ECCPUBLIC_BLOB, handle.Out(),
                            blob.data(), static_cast<ULONG>(blob.size()), 0) != kOk)
        return false;
    Sha256Digest hash = digest;
    P256Signature sig = signature;
    return BCryptVerifySignature(handle.Get(), nullptr, hash.data(), static_cast<ULONG>(hash.size()), sig.data(),
                                 static_cast<ULONG>(sig.size()), 0) == kOk;
}
