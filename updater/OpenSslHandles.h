// Owners of OpenSSL objects shared by the native crypto seam and the
// publisher tool's signing, one deleter each.
#pragma once

#include <openssl/evp.h>

#include <memory>

#include "updater/Crypto.h"

struct EvpPkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct EvpPkeyCtxFree {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct EvpMdCtxFree {
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, EvpPkeyFree>;
using EvpPkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, EvpPkeyCtxFree>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, EvpMdCtxFree>;

// The public key as an OpenSSL key object; empty when the point is not on the curve.
EvpPkeyPtr P256PublicKeyToPkey(const P256PublicKey& key);
