// The PNG writer: its zlib stream and whole pictures are read back by
// Python's zlib and our test reader (tests/support/png.py), an independent
// inflater, so a wrong code, length or distance shows as a mismatch.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/PngCodec.h"
#include "framework/system/StreamsAndLists.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path TempFile(const std::string& name) {
    return fs::path(testing::TempDir()) / ("png_test_" + name);
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

Bytes Inflated(const Bytes& stream, const std::string& name) {
    const fs::path in = TempFile(name + ".z"), out = TempFile(name + ".raw");
    WriteBytes(in, stream);
    fs::remove(out);
    const std::string py =
        "import sys,zlib; open(sys.argv[2],'wb').write(zlib.decompress(open(sys.argv[1],'rb').read()))";
    EXPECT_EQ(Shell("python3 -c \"" + py + "\" '" + in.string() + "' '" + out.string() + "'"), 0);
    return ReadBytes(out);
}

TEST(Png, CompressedStreamsInflateToTheirInput) {
    std::mt19937 random(7);
    struct Case {
        std::string name;
        Bytes data;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"one", {42}});
    Bytes noise(70000);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    cases.push_back({"noise", noise});
    // Long runs use the longest length and the shortest distances.
    cases.push_back({"run", Bytes(100000, 0xAB)});
    // A pattern that repeats from far back reaches the largest distances.
    Bytes distant(40000);
    for (auto& b : distant) b = static_cast<uint8_t>(random() % 4);
    Bytes farTwice = distant;
    farTwice.insert(farTwice.end(), distant.begin(), distant.begin() + 20000);
    cases.push_back({"far", farTwice});
    // Every match length from 3 to 258 once, separated by noise.
    Bytes lengths;
    for (int n = 3; n <= 258; ++n) {
        for (int k = 0; k < n; ++k) lengths.push_back(static_cast<uint8_t>(k));
        lengths.push_back(static_cast<uint8_t>(200 + n % 50));
        for (int k = 0; k < n; ++k) lengths.push_back(static_cast<uint8_t>(k));
        lengths.push_back(static_cast<uint8_t>(random()));
    }
    cases.push_back({"lengths", lengths});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes z = ZlibCompress(c.data.data(), c.data.size());
        EXPECT_EQ(Inflated(z, c.name), c.data);
    }
    // Repetitive data does shrink.
    EXPECT_LT(ZlibCompress(cases[3].data.data(), cases[3].data.size()).size(), 1000u);
}

TEST(Png, ChecksumsMatchTheirDefinitions) {
    const std::string text = "123456789";
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    EXPECT_EQ(PngCrc32(p, text.size()), 0xCBF43926u);
    EXPECT_EQ(Adler32(p, text.size()), 0x091E01DEu);
    // Checksums can be carried on across pieces.
    EXPECT_EQ(PngCrc32(p + 4, 5, PngCrc32(p, 4)), 0xCBF43926u);
    EXPECT_EQ(Adler32(p + 4, 5, Adler32(p, 4)), 0x091E01DEu);
}

TEST(Png, PictureReadsBackPixelForPixel) {
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap bitmap(37, 21, format);
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                bitmap.SetPixel(x, y,
                                x < 10 ? 0xFF00FF : static_cast<TColor>((x * 7) | (y * 11) << 8 | ((x ^ y) << 16)));
        TMemoryStream stream;
        SavePng(bitmap, stream);
        const fs::path png = TempFile("picture.png"), raw = TempFile("picture.rgb");
        WriteBytes(png, Bytes(stream.Memory(), stream.Memory() + stream.Size()));
        fs::remove(raw);
        ASSERT_EQ(Shell("python3 '" + std::string(TEST_SOURCE_DIR) + "/../../support/png.py' '" + png.string() + "' '" +
                        raw.string() + "'"),
                  0);
        const Bytes got = ReadBytes(raw);
        const std::string head = "37 21\n";
        ASSERT_EQ(got.size(), head.size() + 37 * 21 * 3);
        EXPECT_EQ(std::string(got.begin(), got.begin() + static_cast<long>(head.size())), head);
        size_t at = head.size();
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x, at += 3) {
                const TColor c = bitmap.Pixel(x, y);
                ASSERT_EQ(got[at], c & 0xFF) << x << "," << y;
                ASSERT_EQ(got[at + 1], (c >> 8) & 0xFF) << x << "," << y;
                ASSERT_EQ(got[at + 2], (c >> 16) & 0xFF) << x << "," << y;
            }
    }
}

}  // namespace
