// LZHUF codec of the skin packages and compressed INI files. Portable.
//
// The stored skins were produced by the public-domain lzhuf encoder
// (N = 4096, F = 60, THRESHOLD = 2), so this codec follows that algorithm
// step for step: the decoder accepts every stream that encoder writes, and
// the encoder writes the same bytes. Where the old encoder could not work
// (a Huffman code longer than 16 bits) we write the full code instead, so
// our output always expands back to the input.
//
// Contract: neither direction reads or writes outside its own tables,
// whatever the input. A stream that ends early decodes as if followed by
// zero bytes; LZHUnpack always delivers exactly the length it was given.
// Bytes move through the callbacks one at a time; the codec owns nothing it
// is handed (StreamIn/StreamOut are borrowed).
//
// Framing (the callers' business, see LZHPackStream/LZHUnpackStream): a
// 32-bit little-endian uncompressed length, then the bit stream.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/StreamsAndLists.h"

class ElzhException : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};

inline constexpr const wchar_t* kLzhNoMemory = L"LZH : Cannot get memory for dictionary tables";
inline constexpr const wchar_t* kLzhFreeError = L"LZH : Error freeing memory for dictionary tables";

// The codec always asks for, or hands over, one byte. A read that delivers
// anything but 1 byte means the input has ended.
using TReadProc = std::function<void(void* buffer, uint16_t count, uint16_t& numRead)>;
using TWriteProc = std::function<void(const void* buffer, uint16_t count, uint16_t& numWritten)>;

namespace lzh {
inline constexpr int N = 4096;                      // ring buffer size
inline constexpr int F = 60;                        // look-ahead, longest match
inline constexpr int THRESHOLD = 2;                 // matches up to this length go as literals
inline constexpr int N_CHAR = 256 - THRESHOLD + F;  // 314 symbols
inline constexpr int T = N_CHAR * 2 - 1;            // 627 tree nodes
inline constexpr int R = T - 1;                     // root
inline constexpr unsigned MAX_FREQ = 0x8000;
inline constexpr int NIL = N;

// Fixed prefix code for the upper 6 bits of a match position: p_len/p_code
// encode (code bits left-aligned in the byte); d_code/d_len decode, indexed
// by the next 8 bits of the stream.
struct PositionCode {
    uint8_t p_len[64];
    uint8_t p_code[64];
    uint8_t d_code[256];
    uint8_t d_len[256];
};
extern const PositionCode kPositionCode;

// The most bytes a stream of compressedBytes can expand to when it comes
// from an encoder: every bit of a symbol code (at least 1) plus the 9-bit
// shortest position code yields at most 60 bytes, i.e. 6 bytes per bit.
constexpr int64_t MaxExpansion(int64_t compressedBytes) {
    return compressedBytes < 0 ? 0 : compressedBytes * 48;
}
}  // namespace lzh

class TLZH {
public:
    TLZH();
    ~TLZH();
    TLZH(const TLZH&) = delete;
    TLZH& operator=(const TLZH&) = delete;

    // Compresses everything ReadProc delivers; bytesRead = input bytes consumed.
    // Writes only the bit stream. Raises ElzhException when the tables cannot be had.
    void LZHPack(int32_t& bytesRead, const TReadProc& ReadProc, const TWriteProc& WriteProc);
    // Writes exactly textSize bytes (nothing when textSize <= 0) and reads no
    // input beyond the last bit it needs.
    void LZHUnpack(int32_t textSize, const TReadProc& ReadProc, const TWriteProc& WriteProc);

    // Stream callbacks over StreamIn / StreamOut.
    void GetBlockStream(void* buffer, uint16_t count, uint16_t& numRead);
    void PutBlockStream(const void* buffer, uint16_t count, uint16_t& numWritten);
    TReadProc StreamReader() {
        return [this](void* b, uint16_t c, uint16_t& n) { GetBlockStream(b, c, n); };
    }
    TWriteProc StreamWriter() {
        return [this](const void* b, uint16_t c, uint16_t& n) { PutBlockStream(b, c, n); };
    }

    // Last code word sent by the literal/length encoder (left-aligned) and its length.
    // 32 bits wide so that a code deeper than 16 levels is kept whole.
    uint32_t code = 0;
    uint16_t len = 0;
    TStream* StreamIn = nullptr;   // borrowed
    TStream* StreamOut = nullptr;  // borrowed
    uint16_t getbuf = 0;
    uint8_t getlen = 0;
    uint8_t putlen = 0;
    uint16_t putbuf = 0;
    uint32_t textsize = 0;
    uint32_t codesize = 0;
    uint32_t printcount = 0;
    int16_t match_position = 0;
    int16_t match_length = 0;

    struct Tables;  // the dictionary and tree tables, alive only during a pack or unpack call

private:
    void InitLZH();
    void EndLZH();
    void InitTree();
    void InsertNode(int r);
    void DeleteNode(int p);
    void StartHuff();
    void reconst();
    void update(int c);
    void EncodeChar(unsigned c);
    void EncodePosition(unsigned c);
    void EncodeEnd();
    int DecodeChar();
    int DecodePosition();
    int GetBit();
    int GetByte();
    void Putcode(int l, uint16_t c);
    int ReadByte();
    void WriteByte(uint8_t b);

    std::unique_ptr<Tables> t_;
    const TReadProc* read_ = nullptr;
    const TWriteProc* write_ = nullptr;
};

// Framed helpers: both rewind source and dest first.
// Writes source's size (32-bit LE) and then its compressed bit stream.
void LZHPackStream(TStream& source, TStream& dest);
// Reads the 32-bit length at offset 0 and expands the bit stream after it
// into dest. Returns false, touching nothing, when source is shorter than
// the length field or declares more than its bit stream could ever hold.
bool LZHUnpackStream(TStream& source, TStream& dest);
