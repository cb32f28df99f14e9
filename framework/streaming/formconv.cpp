// formconv: form text to binary form data (the build makes the program's
// form resources with it), and back for reading a resource.
//   formconv [-b] [-I dir]... input.form output.bin
//                                         text to binary (the default); files named
//                                         in the text are read beside it, else from
//                                         the -I folders (files the build made)
//   formconv -t input.bin output.form      binary to text
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/streaming/FormText.h"
#include "framework/system/CodePage.h"

namespace {

bool ReadFile(const char* path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const char* path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    bool toText = false;
    if (arg < argc && (std::string(argv[arg]) == "-t" || std::string(argv[arg]) == "-b"))
        toText = std::string(argv[arg++]) == "-t";
    std::vector<std::string> searchDirs;
    while (argc - arg > 2 && std::string(argv[arg]) == "-I") {
        searchDirs.push_back(std::string(argv[arg + 1]) + "/");
        arg += 2;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: formconv [-b|-t] [-I dir]... input output\n");
        return 2;
    }
    const char* input = argv[arg];
    const char* output = argv[arg + 1];
    std::string source;
    if (!ReadFile(input, source)) {
        std::fprintf(stderr, "formconv: cannot read %s\n", input);
        return 1;
    }
    try {
        if (toText) {
            const std::string text = ObjectBinaryToText(reinterpret_cast<const uint8_t*>(source.data()), source.size());
            if (!WriteFile(output, text.data(), text.size())) throw EFilerError(L"cannot write the output");
        } else {
            // Files named in the text are found beside it.
            std::string dir(input);
            const size_t slash = dir.find_last_of("/\\");
            dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
            searchDirs.insert(searchDirs.begin(), dir);
            const auto include = [&searchDirs](const std::string& path) {
                std::string bytes;
                if (!path.empty() && path[0] == '/') {
                    if (ReadFile(path.c_str(), bytes)) return std::vector<uint8_t>(bytes.begin(), bytes.end());
                } else {
                    for (const auto& d : searchDirs)
                        if (ReadFile((d + path).c_str(), bytes)) return std::vector<uint8_t>(bytes.begin(), bytes.end());
                }
                throw EFilerError(L"cannot read " + Utf8ToWide(path));
            };
            const std::vector<uint8_t> bytes = ObjectTextToBinary(source, include);
            if (!WriteFile(output, bytes.data(), bytes.size())) throw EFilerError(L"cannot write the output");
        }
    } catch (const EFrameworkError& e) {
        std::fprintf(stderr, "formconv: %s: %s\n", input, e.what());
        std::remove(output);
        return 1;
    }
    return 0;
}
