#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/data/Winconvert.h"
#include "skin_test_util.h"

namespace {
const char* const kVectors[] = {"empty",      "one_A",         "hello",     "spaces200", "x61",
                                "x200",       "pattern7_5000", "ini3k",     "lcg4196",   "mixed70000",
                                "bmp300x200", "distsweep",     "ringtail60"};

int32_t LengthField(const Bytes& framed) {
    return static_cast<int32_t>(framed[0] | framed[1] << 8 | framed[2] << 16 | static_cast<uint32_t>(framed[3]) << 24);
}

struct Unpacked {
    Bytes out;
    size_t reads = 0;  // callback calls, each asking for one byte
};

// Expands the bit stream after the 4-byte length of framed, with the given length.
Unpacked Unpack(const Bytes& framed, int32_t length) {
    Unpacked u;
    size_t pos = 4;
    TLZH lzh;
    lzh.LZHUnpack(
        length,
        [&](void* buf, uint16_t count, uint16_t& n) {
            EXPECT_EQ(count, 1);
            ++u.reads;
            n = 0;
            if (pos < framed.size()) {
                *static_cast<uint8_t*>(buf) = framed[pos++];
                n = 1;
            }
        },
        [&](const void* buf, uint16_t count, uint16_t& n) {
            EXPECT_EQ(count, 1);
            u.out.push_back(*static_cast<const uint8_t*>(buf));
            n = 1;
        });
    return u;
}

Bytes PackFramed(const Bytes& input) {
    TMemoryStream in, out;
    Fill(in, input);
    LZHPackStream(in, out);
    return Contents(out);
}
}  // namespace

TEST(LzhVectors, EveryReferenceStreamExpandsToItsInputReadingNoByteBeyondIt) {
    for (const char* name : kVectors) {
        Bytes bin = ReadFixture(std::string("lzh/") + name + ".bin");
        Bytes lzh = ReadFixture(std::string("lzh/") + name + ".lzh");
        ASSERT_EQ(LengthField(lzh), static_cast<int32_t>(bin.size())) << "case: " << name;
        Unpacked u = Unpack(lzh, LengthField(lzh));
        EXPECT_TRUE(u.out == bin) << "case: " << name;
        EXPECT_EQ(u.reads, lzh.size() - 4) << "case: " << name;
    }
}

TEST(LzhVectors, PackingEveryInputGivesTheReferenceBytes) {
    for (const char* name : kVectors) {
        Bytes bin = ReadFixture(std::string("lzh/") + name + ".bin");
        Bytes expected = ReadFixture(std::string("lzh/") + name + ".lzh");
        // The old encoder wrote no bit stream for an empty input; ours codes
        // one space literal, which expands to nothing all the same.
        if (bin.empty()) expected = {0, 0, 0, 0, 0xD6, 0x00};

        TMemoryStream in;
        Fill(in, bin);
        Bytes bits;
        TLZH lzh;
        lzh.StreamIn = &in;
        int32_t consumed = -1;
        lzh.LZHPack(consumed, lzh.StreamReader(), [&](const void* b, uint16_t, uint16_t& n) {
            bits.push_back(*static_cast<const uint8_t*>(b));
            n = 1;
        });
        EXPECT_EQ(consumed, static_cast<int32_t>(bin.size())) << "case: " << name;
        EXPECT_EQ(lzh.codesize, bits.size()) << "case: " << name;
        EXPECT_TRUE(PackFramed(bin) == expected) << "case: " << name;
    }
}

TEST(LzhDecode, StreamEndingEarlyReadsZerosAndStopsAtTheLength) {
    Bytes trunc = ReadFixture("lzh/decode_only/trunc_ini3k.lzh");
    Bytes expected = ReadFixture("lzh/decode_only/trunc_ini3k.out");
    EXPECT_TRUE(Unpack(trunc, LengthField(trunc)).out == expected);

    // Cut at every byte: the result is always exactly the asked length and
    // the same as if the missing bytes had been zeros.
    for (const char* name : {"ringtail60", "ini3k"}) {
        Bytes full = ReadFixture(std::string("lzh/") + name + ".lzh");
        int32_t length = LengthField(full);
        for (size_t cut = 4; cut <= full.size(); ++cut) {
            Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
            Bytes zeros = part;
            zeros.resize(full.size() + 64, 0);
            Bytes got = Unpack(part, length).out;
            ASSERT_EQ(got.size(), static_cast<size_t>(length)) << "case: " << name << " cut " << cut;
            ASSERT_TRUE(got == Unpack(zeros, length).out) << "case: " << name << " cut " << cut;
        }
    }
}

TEST(LzhDecode, LengthCutsAMatchShortAndZeroOrLessDoesNothing) {
    Bytes x200 = ReadFixture("lzh/x200.lzh");  // a literal, then matches of 60
    for (int32_t length : {1, 2, 30, 61, 100, 199}) {
        Unpacked u = Unpack(x200, length);
        EXPECT_TRUE(u.out == Bytes(static_cast<size_t>(length), 'x')) << "case: length " << length;
    }
    for (int32_t length : {0, -1, INT32_MIN}) {
        Unpacked u = Unpack(x200, length);
        EXPECT_TRUE(u.out.empty()) << "case: length " << length;
        EXPECT_EQ(u.reads, 0u) << "case: length " << length;
    }
}

TEST(LzhRoundTrip, PackThenUnpackRestoresTheInput) {
    Bytes runs;
    for (int i = 0; i < 300; ++i) runs.insert(runs.end(), static_cast<size_t>(i % 97 + 1), static_cast<uint8_t>(i % 5));
    Bytes text;
    for (int i = 0; i < 400; ++i) {
        std::string line = "[Section" + std::to_string(i % 17) + "]\r\nImage=part" + std::to_string(i) + ".bmp\r\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    Bytes mixed = LcgBytes(9000, 1);
    mixed.insert(mixed.end(), mixed.begin() + 1000, mixed.begin() + 5000);  // copies from far back
    Bytes leadingSpaces(130, ' ');
    leadingSpaces.push_back('a');
    struct Case {
        const char* name;
        Bytes input;
    } cases[] = {
        {"one byte", {0x00}},
        {"59 random", LcgBytes(59, 2)},
        {"60 random", LcgBytes(60, 3)},
        {"61 random", LcgBytes(61, 4)},
        {"118 random", LcgBytes(118, 5)},
        {"119 random", LcgBytes(119, 6)},
        {"ring size", LcgBytes(4096, 7)},
        {"ring size + 1", LcgBytes(4097, 8)},
        {"long random, tree rebuilds", LcgBytes(100000, 9)},
        {"runs of every length", runs},
        {"ini-like text", text},
        {"far copies", mixed},
        {"starts with spaces", leadingSpaces},
        {"all byte values",
         [] {
             Bytes b(256 * 3);
             for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7);
             return b;
         }()},
    };
    for (const auto& c : cases) {
        Bytes framed = PackFramed(c.input);
        ASSERT_EQ(LengthField(framed), static_cast<int32_t>(c.input.size())) << "case: " << c.name;
        EXPECT_TRUE(Unpack(framed, LengthField(framed)).out == c.input) << "case: " << c.name;
    }
}

TEST(LzhFraming, UnpackStreamRefusesShortSourcesAndImpossibleLengths) {
    struct Case {
        const char* name;
        Bytes source;
        bool ok;
    } cases[] = {
        {"empty", {}, false},
        {"three bytes", {1, 0, 0}, false},
        {"length field only, length 0", {0, 0, 0, 0}, true},
        {"length field only, length 1", {1, 0, 0, 0}, false},
        {"length 96 from two bytes", {96, 0, 0, 0, 0, 0}, true},
        {"length 97 from two bytes", {97, 0, 0, 0, 0, 0}, false},
        {"length 2^31 - 1", {0xFF, 0xFF, 0xFF, 0x7F, 0x12, 0x34}, false},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 0x12}, true},
    };
    for (const auto& c : cases) {
        TMemoryStream src, dst;
        Fill(src, c.source);
        dst.WriteBuffer("keep", 4);
        EXPECT_EQ(LZHUnpackStream(src, dst), c.ok) << "case: " << c.name;
        if (!c.ok) {
            EXPECT_TRUE(Contents(dst) == Text("keep")) << "case: " << c.name;
        }
    }
    // Within the bound, a stream that merely ends early still gives the full length.
    TMemoryStream src, dst;
    Fill(src, {96, 0, 0, 0, 0xE6, 0x80});
    ASSERT_TRUE(LZHUnpackStream(src, dst));
    EXPECT_EQ(dst.Size(), 96);
    EXPECT_EQ(dst.Memory()[0], 'A');
}

TEST(LzhFraming, FailingCallbackPropagatesAndTheCodecStaysUsable) {
    Bytes hello = ReadFixture("lzh/hello.lzh");
    TLZH lzh;
    size_t pos = 4;
    auto reader = [&](void* b, uint16_t, uint16_t& n) {
        n = pos < hello.size() ? 1 : 0;
        if (n) *static_cast<uint8_t*>(b) = hello[pos++];
    };
    int written = 0;
    auto failing = [&](const void*, uint16_t, uint16_t& n) {
        if (++written == 5) throw EStreamError(L"disk full");
        n = 1;
    };
    EXPECT_THROW(lzh.LZHUnpack(13, reader, failing), EStreamError);
    pos = 4;
    std::string out;
    lzh.LZHUnpack(13, reader, [&](const void* b, uint16_t, uint16_t& n) {
        out += *static_cast<const char*>(b);
        n = 1;
    });
    EXPECT_EQ(out, "hello, world\n");
}
