// Signing with OpenSSL, for the native tool.
#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <vector>

#include "Signer.h"
#include "updater/OpenSslHandles.h"

namespace {

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;

P256PublicKey PublicPoint(EVP_PKEY* pkey) {
    uint8_t point[65];
    size_t length = 0;
    if (EVP_PKEY_get_octet_string_param(pkey, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &length) != 1 ||
        length != sizeof point || point[0] != 4)
        throw ECryptoError("the key holds no uncompressed P-256 public point");
    P256PublicKey key;
    std::copy(point + 1, point + 65, key.begin());
    return key;
}

}  // namespace

struct ManifestSigner::Impl {
    EvpPkeyPtr pkey;
};

ManifestSigner::ManifestSigner(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
    publicKey_ = PublicPoint(impl_->pkey.get());
}
ManifestSigner::~ManifestSigner() = default;
ManifestSigner::ManifestSigner(ManifestSigner&&) noexcept = default;
ManifestSigner& ManifestSigner::operator=(ManifestSigner&&) noexcept = default;

ManifestSigner ManifestSigner::Generate() {
    auto impl = std::make_unique<Impl>();
    impl->pkey.reset(EVP_EC_gen("P-256"));
    if (!impl->pkey) throw ECryptoError("key generation failed");
    return ManifestSigner(std::move(impl));
}

ManifestSigner ManifestSigner::FromPem(std::string_view pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    auto impl = std::make_unique<Impl>();
    if (bio) impl->pkey.reset(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!impl->pkey) throw ECryptoError("not a PEM private key");
    char group[64] = {};
    size_t length = 0;
    if (!EVP_PKEY_is_a(impl->pkey.get(), "EC") ||
        EVP_PKEY_get_utf8_string_param(impl->pkey.get(), OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) !=
            1 ||
        std::string(group) != "prime256v1")
        throw ECryptoError("not an EC P-256 key");
    return ManifestSigner(std::move(impl));
}

std::string ManifestSigner::PrivateKeyPem() const {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), impl_->pkey.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw ECryptoError("cannot write the key");
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

P256Signature ManifestSigner::Sign(const Sha256Digest& digest) const {
    EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new(impl_->pkey.get(), nullptr));
    size_t length = 0;
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
        EVP_PKEY_sign(ctx.get(), nullptr, &length, digest.data(), digest.size()) != 1)
        throw ECryptoError("EVP_PKEY_sign failed");
    std::vector<unsigned char> der(length);
    if (EVP_PKEY_sign(ctx.get(), der.data(), &length, digest.data(), digest.size()) != 1)
        throw ECryptoError("EVP_PKEY_sign failed");
    const unsigned char* p = der.data();
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(length)),
                                                              ECDSA_SIG_free);
    if (!sig) throw ECryptoError("unreadable signature");
    P256Signature out{};
    if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), out.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), out.data() + 32, 32) != 32)
        throw ECryptoError("signature out of range");
    return out;
}
