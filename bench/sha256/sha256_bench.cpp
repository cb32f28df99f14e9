// Prints how long SHA-256 of a file takes through the crypto seam, best of N
// runs, for run_sha256_bench.sh:
//   sha256_bench FILE [RUNS]   "<sha256> <seconds sha256 alone> <seconds md5+sha256 in one read>"
// Both read the file as the update run does (1024-byte pieces); the second is
// the run's own check of a file (FileMatchesEntry), MD5 and SHA-256 together.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "updater/Crypto.h"
#include "updater/FileDigest.h"
#include "updater/Md5.h"

namespace {

template <typename F>
double Best(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s < best) best = s;
    }
    return best;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: sha256_bench FILE [RUNS]\n");
        return 2;
    }
    std::wstring path = Utf8ToWide(args[1]);
    int runs = args.size() > 2 ? std::atoi(args[2].c_str()) : 3;
    std::string digest;
    double alone = Best(runs, [&] {
        FILE* f = std::fopen(args[1].c_str(), "rb");
        if (!f) std::exit(1);
        static char streamBuffer[64 * 1024];
        std::setvbuf(f, streamBuffer, _IOFBF, sizeof streamBuffer);
        Sha256Hasher h;
        unsigned char buffer[1024];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) h.Update(buffer, n);
        std::fclose(f);
        auto d = h.Final();
        digest = HexText(d.data(), d.size());
    });
    FileInfo entry;
    entry.md5 = AnsiToWide(MD5File(path).value_or(""));
    entry.sha256 = AnsiToWide(digest);
    bool matched = false;
    double both = Best(runs, [&] { matched = FileMatchesEntry(path, entry, true); });
    if (!matched) {
        std::fprintf(stderr, "sha256_bench: the one-read check does not match\n");
        return 1;
    }
    std::printf("%s %.6f %.6f\n", digest.c_str(), alone, both);
    return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
    return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv, argv + argc)); }
#endif
