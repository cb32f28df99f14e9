// The crypto seam on OpenSSL (native builds: tests and the publisher tools).
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>

#include "updater/Crypto.h"
#include "updater/OpenSslHandles.h"

struct Sha256Hasher::Impl {
    EvpMdCtxPtr ctx{EVP_MD_CTX_new()};
    bool finished = false;
};

Sha256Hasher::Sha256Hasher() : impl_(std::make_unique<Impl>()) {
    if (!impl_->ctx || EVP_DigestInit_ex(impl_->ctx.get(), EVP_sha256(), nullptr) != 1)
        throw ECryptoError("EVP_DigestInit_ex failed");
}

Sha256Hasher::~Sha256Hasher() = default;

void Sha256Hasher::Update(const void* data, size_t count) {
    if (impl_->finished) throw ECryptoError("SHA-256 already finished");
    if (EVP_DigestUpdate(impl_->ctx.get(), data, count) != 1) throw ECryptoError("EVP_DigestUpdate failed");
}

Sha256Digest Sha256Hasher::Final() {
    if (impl_->finished) throw ECryptoError("SHA-256 already finished");
    impl_->finished = true;
    Sha256Digest digest{};
    unsigned int n = 0;
    if (EVP_DigestFinal_ex(impl_->ctx.get(), digest.data(), &n) != 1 || n != digest.size())
        throw ECryptoError("EVP_DigestFinal_ex failed");
    return digest;
}

EvpPkeyPtr P256PublicKeyToPkey(const P256PublicKey& key) {
    uint8_t point[65];
    point[0] = 4;  // uncompressed
    std::copy(key.begin(), key.end(), point + 1);
    std::unique_ptr<OSSL_PARAM_BLD, decltype(&OSSL_PARAM_BLD_free)> build(OSSL_PARAM_BLD_new(), OSSL_PARAM_BLD_free);
    if (!build || !OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0) ||
        !OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point))
        throw ECryptoError("OSSL_PARAM_BLD failed");
    std::unique_ptr<OSSL_PARAM, decltype(&OSSL_PARAM_free)> params(OSSL_PARAM_BLD_to_param(build.get()),
                                                                   OSSL_PARAM_free);
    EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) != 1) throw ECryptoError("EVP_PKEY_fromdata_init failed");
    EVP_PKEY* pkey = nullptr;
    // A point off the curve is refused here.
    if (EVP_PKEY_fromdata(ctx.get(), &pkey, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) return EvpPkeyPtr();
    return EvpPkeyPtr(pkey);
}

bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest, const P256Signature& signature) {
    EvpPkeyPtr pkey = P256PublicKeyToPkey(key);
    if (!pkey) return false;
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> sig(ECDSA_SIG_new(), ECDSA_SIG_free);
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        throw ECryptoError("ECDSA_SIG_set0 failed");
    }
    unsigned char* der = nullptr;
    int derLength = i2d_ECDSA_SIG(sig.get(), &der);
    if (derLength <= 0) throw ECryptoError("i2d_ECDSA_SIG failed");
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> derOwner(der, [](unsigned char* p) { OPENSSL_free(p); });
    EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
    if (!ctx || EVP_PKEY_verify_init(ctx.get()) != 1) throw ECryptoError("EVP_PKEY_verify_init failed");
    return EVP_PKEY_verify(ctx.get(), der, static_cast<size_t>(derLength), digest.data(), digest.size()) == 1;
}
