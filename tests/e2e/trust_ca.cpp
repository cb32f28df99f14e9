// Adds a CA certificate (PEM or DER file) to the local machine's Root store of
// the Wine prefix it runs in, so the tests' HTTPS servers are trusted there and
// nowhere else.
//
//   trust_ca CERT_FILE
// wincrypt.h needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trust_ca CERT_FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty() || text.size() > 1 << 20) {
        std::fprintf(stderr, "trust_ca: cannot read the certificate\n");
        return 1;
    }
    std::vector<BYTE> der(text.size());
    DWORD derSize = static_cast<DWORD>(der.size());
    if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                              &derSize, nullptr, nullptr)) {
        der.assign(text.begin(), text.end());  // not PEM: taken as DER
        derSize = static_cast<DWORD>(der.size());
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) {
        std::fprintf(stderr, "trust_ca: cannot open the Root store (%lu)\n", GetLastError());
        return 1;
    }
    BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), derSize,
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        std::fprintf(stderr, "trust_ca: cannot add the certificate (0x%08lx)\n", error);
        return 1;
    }
    std::printf("trusted\n");
    return 0;
}
