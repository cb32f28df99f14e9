// Runs the update stages without a window, for run_update_bench.py:
//   update_bench update URL APPDIR   CheckUpdate + DoUpdate; prints seconds and the result
//   update_bench check URL APPDIR    CheckUpdate only
//   update_bench get URL FILE        one DownloadFile; prints idle and peak resident KiB
//   update_bench stages URL APPDIR   the manifest fetch and the comparison, timed apart
//   update_bench check-signed URL APPDIR KEYS   CheckUpdate of a signed manifest, SHA-256 on
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "framework/system/CodePage.h"
#include "updater/SignedManifest.h"
#include "updater/UpdateProcess.h"

namespace {

long StatusKib(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
    return -1;
}

// VmHWM, not getrusage: ru_maxrss keeps the parent's size from before exec.
long CurrentRssKib() { return StatusKib("VmRSS:"); }
long PeakRssKib() { return StatusKib("VmHWM:"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && !(argc == 5 && std::strcmp(argv[1], "check-signed") == 0)) {
        std::fprintf(stderr, "usage: update_bench update|check|get URL PATH\n");
        return 2;
    }
    std::string mode = argv[1];
    UpdateProcess process(Utf8ToWide(argv[2]), nullptr, nullptr);
    auto t0 = std::chrono::steady_clock::now();
    if (mode == "get") {
        long idle = CurrentRssKib();
        bool ok = process.DownloadFile(Utf8ToWide(argv[2]), Utf8ToWide(argv[3]));
        std::printf("%d %ld %ld\n", ok ? 1 : 0, idle, PeakRssKib());
        return ok ? 0 : 1;
    }
    process.SetAppPath(Utf8ToWide(argv[3]));
    if (mode == "check-signed") {
        auto keys = ParsePublicKeys(argv[4]);
        if (!keys) return 2;
        process.SetTrust(std::make_unique<ManifestTrust>(*keys));
    }
    if (mode == "stages") {
        // The two halves of the check, timed apart.
        FileInfoList manifest, update;
        int n = process.GetUpdateInfo(manifest, Utf8ToWide(argv[2]));
        auto t1 = std::chrono::steady_clock::now();
        process.CheckUpdateInfo(update, manifest);
        auto t2 = std::chrono::steady_clock::now();
        std::printf("manifest %.6f (%d entries), comparison %.6f\n", std::chrono::duration<double>(t1 - t0).count(), n,
                    std::chrono::duration<double>(t2 - t1).count());
        return 0;
    }
    int rc = process.CheckUpdate();
    bool done = mode == "update" && rc > 0 ? process.DoUpdate() : false;
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%.6f %d %d\n", s, rc, done ? 1 : 0);
    return 0;
}
