// What a run with trusted keys adds to the check stage: the manifest is
// fetched as raw bytes and must be signed by one of the keys, strict UTF-8,
// carry an expiry that has not passed, and a serial not below the higher of
// the build's lowest serial and the highest this installation accepted; the
// accepted serial is recorded beside the updater once the run has nothing
// left to do.
//
// The serial lives in "updater.serial" in the application directory (decimal
// text). It is first written to "updater.serial.new" and then copied over,
// and a read takes the higher of the two, so a write cut short never lowers
// it; an unreadable file counts as 0.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/system/ErrorsAndStrings.h"
#include "net/HttpClient.h"
#include "updater/Crypto.h"
#include "updater/SignedManifest.h"

// Raised when a manifest is refused; the run treats it like a failed fetch.
class EManifestRefused : public EFrameworkError {
public:
    explicit EManifestRefused(ManifestRefusal refusal);
    ManifestRefusal Refusal() const { return refusal_; }

private:
    ManifestRefusal refusal_;
};

class ManifestTrust {
public:
    explicit ManifestTrust(std::vector<P256PublicKey> keys, uint64_t minSerial = 0)
        : keys_(std::move(keys)), minSerial_(minSerial) {}

    // The keys and lowest serial of the build settings (UPDATER_PUBLIC_KEYS,
    // UPDATER_MIN_SERIAL); null when the build has no keys.
    static std::unique_ptr<ManifestTrust> FromBuild();

    // Checks the manifest's bytes exactly as served; returns the text of its
    // signed bytes decoded as UTF-8. The content type is not looked at: the
    // server is not trusted to name the charset of what the publisher signed.
    // Raises EManifestRefused, after writing the reason to the debug output.
    std::wstring Verify(std::string_view bytes, const std::string& contentType, const std::wstring& appPath);
    // The same checks; the signed bytes themselves (strict UTF-8), a view into bytes.
    std::string_view VerifiedBytes(std::string_view bytes, const std::wstring& appPath);
    // Records the serial of the last manifest accepted, if it is higher than the stored one.
    void Commit(const std::wstring& appPath);

    ManifestRefusal LastRefusal() const { return lastRefusal_; }
    // Unix time used for expiry; the clock unless a test sets one.
    void SetNow(int64_t now) { now_ = now; }

private:
    std::vector<P256PublicKey> keys_;
    uint64_t minSerial_;
    std::optional<uint64_t> accepted_;
    ManifestRefusal lastRefusal_ = ManifestRefusal::None;
    std::optional<int64_t> now_;
};

uint64_t ReadAcceptedSerial(const std::wstring& appPath);
// Never lowers the stored serial; false when it could not be written.
bool WriteAcceptedSerial(const std::wstring& appPath, uint64_t serial);
