// Prints how long MD5File takes over a file (best of N runs), for the side-by-side script.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/system/CodePage.h"
#include "updater/Md5.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: md5_bench FILE [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    double best = 1e30;
    std::string digest;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        digest = MD5File(Utf8ToWide(argv[1])).value_or("none");
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s < best) best = s;
    }
    std::printf("%s %.6f\n", digest.c_str(), best);
    return 0;
}
