#include "updater/ManifestTrust.h"

#include <algorithm>

#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"
#include "updater/BuildKeys.h"
#include "updater/DebugLog.h"

namespace {

std::wstring SerialPath(const std::wstring& appPath, const wchar_t* name) {
    return appPath + L"\\" + name;
}

std::optional<uint64_t> ReadSerialFile(const std::wstring& path) {
    if (!FileExists(path)) return std::nullopt;
    try {
        TFileStream file(path, fmOpenRead | fmShareDenyNone);
        char text[32] = {};
        int64_t n = file.Read(text, sizeof text - 1);
        uint64_t value = 0;
        int64_t i = 0;
        for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
            uint64_t digit = uint64_t(text[i] - '0');
            if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
            value = value * 10 + digit;
        }
        if (i == 0) return std::nullopt;
        return value;
    } catch (const EFrameworkError&) {
        return std::nullopt;
    }
}

bool WriteSerialFile(const std::wstring& path, uint64_t serial) {
    try {
        std::string text = std::to_string(serial) + "\r\n";
        TFileStream file(path, fmCreate);
        file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        return true;
    } catch (const EFrameworkError&) {
        return false;
    }
}

}  // namespace

EManifestRefused::EManifestRefused(ManifestRefusal refusal)
    : EFrameworkError(L"manifest refused: " + Utf8ToWide(to_string(refusal))), refusal_(refusal) {}

uint64_t ReadAcceptedSerial(const std::wstring& appPath) {
    uint64_t stored = ReadSerialFile(SerialPath(appPath, L"updater.serial")).value_or(0);
    uint64_t pending = ReadSerialFile(SerialPath(appPath, L"updater.serial.new")).value_or(0);
    return stored > pending ? stored : pending;
}

bool WriteAcceptedSerial(const std::wstring& appPath, uint64_t serial) {
    if (serial <= ReadAcceptedSerial(appPath)) return true;
    std::wstring pending = SerialPath(appPath, L"updater.serial.new");
    if (!WriteSerialFile(pending, serial)) return false;
    if (!FileCopy(pending, SerialPath(appPath, L"updater.serial"))) return false;
    FileDelete(pending);
    return true;
}

std::unique_ptr<ManifestTrust> ManifestTrust::FromBuild() {
    std::string_view text = BuildPublicKeysText();
    if (text.find_first_not_of(" \t\r\n,") == std::string_view::npos) return nullptr;
    // The build checks the setting; should a damaged one slip through, nothing verifies.
    return std::make_unique<ManifestTrust>(ParsePublicKeys(text).value_or(std::vector<P256PublicKey>()),
                                           BuildMinSerial());
}

std::wstring ManifestTrust::Verify(std::string_view bytes, const std::string&, const std::wstring& appPath) {
    return Utf8ToWide(VerifiedBytes(bytes, appPath));
}

std::string_view ManifestTrust::VerifiedBytes(std::string_view bytes, const std::wstring& appPath) {
    accepted_.reset();
    SignedManifestInfo info;
    const uint64_t stored = ReadAcceptedSerial(appPath);
    const int64_t now = now_.value_or(UnixTimeNow());
    lastRefusal_ = CheckSignedManifest(bytes, keys_, now, stored > minSerial_ ? stored : minSerial_, info);
    if (lastRefusal_ != ManifestRefusal::None) {
        EManifestRefused refused(lastRefusal_);
        DebugLog(L"updater: " + refused.Message());
        throw refused;
    }
    accepted_ = info.serial;
    return bytes.substr(0, std::min(info.signedLength, bytes.size()));
}

void ManifestTrust::Commit(const std::wstring& appPath) {
    if (!accepted_) return;
    if (!WriteAcceptedSerial(appPath, *accepted_))
        DebugLog(L"updater: could not record manifest serial " + Utf8ToWide(std::to_string(*accepted_)));
}
