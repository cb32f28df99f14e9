// Sound for media tests without a sound card: a WAV file written by the test,
// and an ALSA "null" output for Wine's audio driver. ALSA reads its
// configuration from the Unix environment of the process, which a Windows
// program cannot change for itself (nor pass to a child it starts: Wine does
// not carry a child's Windows environment into its Unix one), so CTest sets
// ALSA_CONFIG_PATH to null-asound.conf beside the tests.
#pragma once

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

namespace media_test {

// A mono 16-bit PCM tone of ms milliseconds at 8000 Hz.
inline void WriteWav(const std::wstring& path, int ms) {
    const uint32_t rate = 8000;
    const uint32_t samples = rate * static_cast<uint32_t>(ms) / 1000;
    const uint32_t dataBytes = samples * 2;
    std::ofstream out(path.c_str(), std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (uint32_t i = 0; i < samples; ++i)
        u16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 2 * 3.14159265 * 440 / rate))));
}

inline std::wstring TempDir() {
    wchar_t buf[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buf);
    std::wstring dir = std::wstring(buf) + L"h7media-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// Wine's audio driver pinned to ALSA in the prefix (CTest gives ALSA its null
// output through ALSA_CONFIG_PATH); true when ALSA_CONFIG_PATH is set.
inline bool UseNullAlsa() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Drivers", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        const wchar_t alsa[] = L"alsa";
        RegSetValueExW(key, L"Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(alsa), sizeof alsa);
        RegCloseKey(key);
    }
    return GetEnvironmentVariableW(L"ALSA_CONFIG_PATH", nullptr, 0) > 0;
}

}  // namespace media_test
