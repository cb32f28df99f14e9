#include "framework/system/CodePage.h"
#include "updater/Crypto.h"
#include "updater/InstallFiles.h"

std::wstring RunLockName(const std::wstring& canonicalPath) {
    // Kernel object names are limited in length and may not hold backslashes: a hash is neither.
    const std::string utf8 = WideToUtf8(canonicalPath);
    const Sha256Digest digest = Sha256Of(utf8.data(), utf8.size());
    return L"TalvoriaUpdaterRun." + Utf8ToWide(HexText(digest.data(), digest.size()));
}
