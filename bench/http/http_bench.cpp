// Times GETs of one URL into a file with the HTTP client.
//
//   http_bench URL OUTPUT_FILE [RUNS] [--antifreeze]
//
// Prints one line per run: "bytes=N seconds=S mib_per_s=X". With
// --antifreeze an anti-freeze with an empty pump is installed, so the cost of
// the sliced waits and of the message processing after each block is included.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "net/AntiFreeze.h"
#include "net/HttpClient.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: http_bench URL OUTPUT_FILE [RUNS] [--antifreeze]\n");
        return 2;
    }
    int runs = argc > 3 && std::strcmp(argv[3], "--antifreeze") != 0 ? std::atoi(argv[3]) : 1;
    bool antiFreeze = false;
    for (int i = 3; i < argc; ++i) antiFreeze = antiFreeze || std::strcmp(argv[i], "--antifreeze") == 0;
    std::unique_ptr<TAntiFreeze> af;
    long long pumps = 0;
    if (antiFreeze) af = std::make_unique<TAntiFreeze>([&pumps] { ++pumps; });

    const std::wstring url = Utf8ToWide(argv[1]);
    const std::wstring out = Utf8ToWide(argv[2]);
    try {
        for (int run = 0; run < (runs > 0 ? runs : 1); ++run) {
            THttpClient client;
            client.ReadTimeout = 5000;
            client.ConnectTimeout = 5000;
            TFileStream file(out, fmCreate);
            auto start = std::chrono::steady_clock::now();
            client.Get(url, file);
            double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            client.Disconnect();
            long long bytes = static_cast<long long>(file.Size());
            std::printf("bytes=%lld seconds=%.3f mib_per_s=%.1f\n", bytes, seconds, bytes / seconds / (1 << 20));
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "http_bench: %s\n", e.what());
        return 1;
    }
    if (antiFreeze) std::printf("pumps=%lld\n", pumps);
    return 0;
}
