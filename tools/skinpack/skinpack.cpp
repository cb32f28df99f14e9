// skinpack: builds, lists and extracts skin packages.
#include "tools/skinpack/SkinPack.h"

#include <cstdio>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"

namespace fs = std::filesystem;

namespace {
const char kUsage[] =
    "usage: skinpack build DIR -o FILE   pack DIR's .ini and .bmp files into a package\n"
    "       skinpack list FILE           print the version and every member with its size\n"
    "       skinpack extract FILE DIR    write the members into DIR\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "skinpack: %s\n", message.c_str());
    return 1;
}

// Arguments arrive as UTF-8.
int Run(const std::vector<std::string>& args) {
    auto path = [](const std::string& s) { return fs::u8path(s); };
    if (args.size() >= 2 && (args[1] == "-h" || args[1] == "--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() == 5 && args[1] == "build" && args[3] == "-o") {
        std::string err = BuildSkinPackage(path(args[2]), path(args[4]));
        return err.empty() ? 0 : Fail(err);
    }
    if (args.size() == 3 && args[1] == "list") {
        std::string listing;
        std::string err = ListSkinPackage(path(args[2]), listing);
        if (!err.empty()) return Fail(err);
        std::fputs(listing.c_str(), stdout);
        return 0;
    }
    if (args.size() == 4 && args[1] == "extract") {
        std::string err = ExtractSkinPackage(path(args[2]), path(args[3]));
        return err.empty() ? 0 : Fail(err);
    }
    std::fputs(kUsage, stderr);
    return 2;
}
}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
    return Run(args);
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv, argv + argc));
}
#endif
