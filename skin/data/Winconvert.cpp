#include "skin/data/Winconvert.h"

#include <cstring>
#include <new>

using namespace lzh;

namespace {
// Code lengths of the upper position bits: 1 of 3 bits, 3 of 4, 8 of 5,
// 12 of 6, 24 of 7, 16 of 8. The code is canonical, so the rest follows.
constexpr uint8_t kPLen[64] = {
    3, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
};

constexpr PositionCode BuildPositionCode() {
    PositionCode t{};
    unsigned next = 0;
    for (int i = 0; i < 64; ++i) {
        t.p_len[i] = kPLen[i];
        t.p_code[i] = static_cast<uint8_t>(next);
        unsigned span = 1u << (8 - kPLen[i]);  // 8-bit windows that begin with this code
        for (unsigned w = next; w < next + span; ++w) {
            t.d_code[w] = static_cast<uint8_t>(i);
            t.d_len[w] = kPLen[i];
        }
        next += span;
    }
    return t;
}
}  // namespace

constexpr PositionCode kBuilt = BuildPositionCode();
static_assert(kBuilt.p_code[0x0D] == 0x94 && kBuilt.p_code[63] == 0xFF, "position code is canonical and complete");
const PositionCode lzh::kPositionCode = kBuilt;

struct TLZH::Tables {
    uint8_t text_buf[N + F - 1 + 8];  // 8 bytes of padding for word-wise compares
    uint16_t lson[N + 1];
    uint16_t rson[N + 257];  // N + 1 + c is the root of the tree of strings starting with byte c
    uint16_t dad[N + 1];
    uint16_t freq[T + 1];       // freq[T] is a sentinel that stops the update scan
    uint16_t prnt[T + N_CHAR];  // prnt[T + symbol] is the leaf of that symbol
    uint16_t son[T];
};

TLZH::TLZH() = default;
TLZH::~TLZH() = default;

namespace {
// Frees the tables however a pack or unpack call ends.
struct TableGuard {
    std::unique_ptr<TLZH::Tables>* owner;
    ~TableGuard() { owner->reset(); }
};
}  // namespace

void TLZH::InitLZH() {
    // Value-initialised: the ring beyond the space fill, including the
    // compare mirror, starts as zero bytes, which the old encoder's choice
    // of matches depends on.
    t_.reset(new (std::nothrow) Tables());
    if (!t_) throw ElzhException(kLzhNoMemory);
}

// Releasing memory cannot fail here; kLzhFreeError stays for callers that
// match on the message.
void TLZH::EndLZH() {
    t_.reset();
}

int TLZH::ReadByte() {
    uint8_t b = 0;
    uint16_t n = 0;
    (*read_)(&b, 1, n);
    return n == 1 ? b : -1;
}

void TLZH::WriteByte(uint8_t b) {
    uint16_t n = 0;
    (*write_)(&b, 1, n);
}

void TLZH::GetBlockStream(void* buffer, uint16_t count, uint16_t& numRead) {
    numRead = static_cast<uint16_t>(StreamIn->Read(buffer, count));
}

void TLZH::PutBlockStream(const void* buffer, uint16_t count, uint16_t& numWritten) {
    numWritten = static_cast<uint16_t>(StreamOut->Write(buffer, count));
}

// ---- search trees (encoder) ----

void TLZH::InitTree() {
    for (int i = N + 1; i <= N + 256; ++i) t_->rson[i] = NIL;
    for (int i = 0; i < N; ++i) t_->dad[i] = NIL;
}

namespace {
// Eight bytes as a big-endian number: comparing two such numbers orders
// the byte strings the way a byte-by-byte comparison does.
inline uint64_t LoadBigEndian(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Common prefix of a and b from byte `from` on (at least from, at most F)
// and whether a sorts at or after b. Reads up to 7 bytes past a + F and
// b + F, which the ring's padding provides.
inline int ComparePrefix(const uint8_t* a, const uint8_t* b, int from, bool& atOrAfter) {
    for (int i = from; i < F; i += 8) {
        uint64_t x = LoadBigEndian(a + i), y = LoadBigEndian(b + i);
        if (x != y) {
            int same = i + __builtin_clzll(x ^ y) / 8;
            if (same >= F) break;  // the difference lies past the look-ahead
            atOrAfter = x > y;
            return same;
        }
    }
    atOrAfter = true;
    return F;
}
}  // namespace

void TLZH::InsertNode(int r) {
    Tables& t = *t_;
    const uint8_t* key = &t.text_buf[r];
    const uint64_t keyHead = LoadBigEndian(key + 1);  // byte 0 is equal in the whole tree
    bool right = true;
    int p = N + 1 + key[0];
    t.rson[r] = t.lson[r] = NIL;
    int length = 0, position = 0;
    for (;;) {
        // The encoder's hot loop; with gradients in the input the trees grow
        // deep. The direction stays a branch: along a deep chain it is well
        // predicted, which lets the next node's loads start early.
        uint16_t* link;
        if (right) {
            link = &t.rson[p];
        } else {
            link = &t.lson[p];
        }
        if (*link == NIL) {
            *link = static_cast<uint16_t>(r);
            t.dad[r] = static_cast<uint16_t>(p);
            match_length = static_cast<int16_t>(length);
            match_position = static_cast<int16_t>(position);
            return;
        }
        p = *link;
        const uint8_t* other = &t.text_buf[p];
        uint64_t head = LoadBigEndian(other + 1);
        int i;
        if (head != keyHead) {
            i = 1 + __builtin_clzll(head ^ keyHead) / 8;
            right = keyHead > head;
        } else {
            i = ComparePrefix(key, other, 9, right);
        }
        // A candidate needs more than THRESHOLD equal bytes; a longer one
        // wins, and of two equally long ones the nearer.
        int distance = ((r - p) & (N - 1)) - 1;
        // Bitwise, not short-circuit: no branch to mispredict.
        bool better = (i > THRESHOLD) & ((i > length) | ((i == length) & (distance < position)));
        length = better ? i : length;
        position = better ? distance : position;
        if (length >= F) break;
    }
    match_length = static_cast<int16_t>(length);
    match_position = static_cast<int16_t>(position);
    // A full-length match: r takes p's place and p leaves the tree.
    t.dad[r] = t.dad[p];
    t.lson[r] = t.lson[p];
    t.rson[r] = t.rson[p];
    t.dad[t.lson[p]] = static_cast<uint16_t>(r);
    t.dad[t.rson[p]] = static_cast<uint16_t>(r);
    if (t.rson[t.dad[p]] == p)
        t.rson[t.dad[p]] = static_cast<uint16_t>(r);
    else
        t.lson[t.dad[p]] = static_cast<uint16_t>(r);
    t.dad[p] = NIL;
}

void TLZH::DeleteNode(int p) {
    Tables& t = *t_;
    if (t.dad[p] == NIL) return;
    int q;
    if (t.rson[p] == NIL) {
        q = t.lson[p];
    } else if (t.lson[p] == NIL) {
        q = t.rson[p];
    } else {
        q = t.lson[p];
        if (t.rson[q] != NIL) {
            do q = t.rson[q];
            while (t.rson[q] != NIL);
            t.rson[t.dad[q]] = t.lson[q];
            t.dad[t.lson[q]] = t.dad[q];
            t.lson[q] = t.lson[p];
            t.dad[t.lson[p]] = static_cast<uint16_t>(q);
        }
        t.rson[q] = t.rson[p];
        t.dad[t.rson[p]] = static_cast<uint16_t>(q);
    }
    t.dad[q] = t.dad[p];
    if (t.rson[t.dad[p]] == p)
        t.rson[t.dad[p]] = static_cast<uint16_t>(q);
    else
        t.lson[t.dad[p]] = static_cast<uint16_t>(q);
    t.dad[p] = NIL;
}

// ---- adaptive Huffman tree ----

void TLZH::StartHuff() {
    Tables& t = *t_;
    for (int i = 0; i < N_CHAR; ++i) {
        t.freq[i] = 1;
        t.son[i] = static_cast<uint16_t>(i + T);
        t.prnt[i + T] = static_cast<uint16_t>(i);
    }
    for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
        t.freq[j] = static_cast<uint16_t>(t.freq[i] + t.freq[i + 1]);
        t.son[j] = static_cast<uint16_t>(i);
        t.prnt[i] = t.prnt[i + 1] = static_cast<uint16_t>(j);
    }
    t.freq[T] = 0xFFFF;
    t.prnt[R] = 0;
}

// Halves the leaf counts (rounding up) and builds the tree again from them.
void TLZH::reconst() {
    Tables& t = *t_;
    int j = 0;
    for (int i = 0; i < T; ++i) {
        if (t.son[i] >= T) {
            t.freq[j] = static_cast<uint16_t>((t.freq[i] + 1) / 2);
            t.son[j] = t.son[i];
            ++j;
        }
    }
    for (int i = 0, n = N_CHAR; n < T; i += 2, ++n) {
        unsigned f = static_cast<unsigned>(t.freq[i]) + t.freq[i + 1];
        t.freq[n] = static_cast<uint16_t>(f);
        // Leaves are sorted and f >= freq[i], so this stops at i + 1 or above.
        int k = n - 1;
        while (f < t.freq[k]) --k;
        ++k;
        size_t moved = static_cast<size_t>(n - k);
        std::memmove(&t.freq[k + 1], &t.freq[k], moved * sizeof t.freq[0]);
        t.freq[k] = static_cast<uint16_t>(f);
        std::memmove(&t.son[k + 1], &t.son[k], moved * sizeof t.son[0]);
        t.son[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < T; ++i) {
        int k = t.son[i];
        if (k >= T)
            t.prnt[k] = static_cast<uint16_t>(i);
        else
            t.prnt[k] = t.prnt[k + 1] = static_cast<uint16_t>(i);
    }
}

void TLZH::update(int c) {
    Tables& t = *t_;
    if (t.freq[R] == MAX_FREQ) reconst();
    c = t.prnt[c + T];
    do {
        unsigned k = ++t.freq[c];
        int l = c + 1;
        if (k > t.freq[l]) {
            // Swap with the last node that still has the old count.
            while (k > t.freq[++l]) {
            }
            --l;
            t.freq[c] = t.freq[l];
            t.freq[l] = static_cast<uint16_t>(k);
            int i = t.son[c];
            t.prnt[i] = static_cast<uint16_t>(l);
            if (i < T) t.prnt[i + 1] = static_cast<uint16_t>(l);
            int j = t.son[l];
            t.son[l] = static_cast<uint16_t>(i);
            t.prnt[j] = static_cast<uint16_t>(c);
            if (j < T) t.prnt[j + 1] = static_cast<uint16_t>(c);
            t.son[c] = static_cast<uint16_t>(j);
            c = l;
        }
    } while ((c = t.prnt[c]) != 0);
}

// ---- bit output ----

// Appends the top l (<= 16) bits of c, most significant first.
void TLZH::Putcode(int l, uint16_t c) {
    putbuf = static_cast<uint16_t>(putbuf | (c >> putlen));
    putlen = static_cast<uint8_t>(putlen + l);
    if (putlen >= 8) {
        WriteByte(static_cast<uint8_t>(putbuf >> 8));
        putlen = static_cast<uint8_t>(putlen - 8);
        if (putlen >= 8) {
            WriteByte(static_cast<uint8_t>(putbuf));
            codesize += 2;
            putlen = static_cast<uint8_t>(putlen - 8);
            putbuf = static_cast<uint16_t>(static_cast<unsigned>(c) << (l - putlen));
        } else {
            putbuf = static_cast<uint16_t>(putbuf << 8);
            ++codesize;
        }
    }
}

void TLZH::EncodeChar(unsigned c) {
    const Tables& t = *t_;
    // Bits are collected from the leaf upward into the top of a 32-bit word:
    // the tree can grow deeper than 16 levels, and a 16-bit word would drop
    // the bits nearest the leaf.
    uint32_t bits = 0;
    int depth = 0;
    int k = t.prnt[c + T];
    do {
        bits >>= 1;
        if (k & 1) bits |= 0x80000000u;
        ++depth;
    } while ((k = t.prnt[k]) != R);
    if (depth <= 16) {
        Putcode(depth, static_cast<uint16_t>(bits >> 16));
    } else {
        Putcode(16, static_cast<uint16_t>(bits >> 16));
        Putcode(depth - 16, static_cast<uint16_t>(bits));
    }
    code = bits;
    len = static_cast<uint16_t>(depth);
    update(static_cast<int>(c));
}

void TLZH::EncodePosition(unsigned c) {
    unsigned i = c >> 6;
    Putcode(kPositionCode.p_len[i], static_cast<uint16_t>(kPositionCode.p_code[i] << 8));
    Putcode(6, static_cast<uint16_t>((c & 0x3F) << 10));
}

void TLZH::EncodeEnd() {
    if (putlen) {
        WriteByte(static_cast<uint8_t>(putbuf >> 8));
        ++codesize;
    }
}

// ---- bit input ----
// Bytes are fetched only when a bit is needed, so nothing past the last
// needed bit is read. Past the end of the input every byte reads as zero.

int TLZH::GetBit() {
    if (getlen == 0) {
        int b = ReadByte();
        getbuf = static_cast<uint16_t>((b < 0 ? 0 : b) << 8);
        getlen = 8;
    }
    int bit = getbuf >> 15;
    getbuf = static_cast<uint16_t>(getbuf << 1);
    --getlen;
    return bit;
}

int TLZH::GetByte() {
    while (getlen < 8) {
        int b = ReadByte();
        getbuf = static_cast<uint16_t>(getbuf | ((b < 0 ? 0 : b) << (8 - getlen)));
        getlen = static_cast<uint8_t>(getlen + 8);
    }
    int v = getbuf >> 8;
    getbuf = static_cast<uint16_t>(getbuf << 8);
    getlen = static_cast<uint8_t>(getlen - 8);
    return v;
}

int TLZH::DecodeChar() {
    const Tables& t = *t_;
    unsigned c = t.son[R];
    while (c < static_cast<unsigned>(T)) c = t.son[c + GetBit()];
    c -= T;
    update(static_cast<int>(c));
    return static_cast<int>(c);
}

int TLZH::DecodePosition() {
    unsigned i = static_cast<unsigned>(GetByte());
    unsigned c = static_cast<unsigned>(kPositionCode.d_code[i]) << 6;
    int j = kPositionCode.d_len[i] - 2;
    while (j-- > 0) i = (i << 1) + static_cast<unsigned>(GetBit());
    return static_cast<int>(c | (i & 0x3F));
}

// ---- the two directions ----

void TLZH::LZHPack(int32_t& bytesRead, const TReadProc& ReadProc, const TWriteProc& WriteProc) {
    read_ = &ReadProc;
    write_ = &WriteProc;
    InitLZH();
    TableGuard guard{&t_};
    Tables& t = *t_;
    textsize = 0;
    codesize = 0;
    putbuf = 0;
    putlen = 0;
    StartHuff();
    InitTree();

    int s = 0;
    int r = N - F;
    // Position r is a space too: an empty input then codes one space literal.
    std::memset(t.text_buf, ' ', static_cast<size_t>(r) + 1);
    int len = 0;
    for (int c; len < F && (c = ReadByte()) >= 0; ++len) t.text_buf[r + len] = static_cast<uint8_t>(c);
    textsize = static_cast<uint32_t>(len);
    for (int i = 1; i <= F; ++i) InsertNode(r - i);
    InsertNode(r);
    do {
        if (match_length > len) match_length = static_cast<int16_t>(len);
        if (match_length <= THRESHOLD) {
            match_length = 1;
            EncodeChar(t.text_buf[r]);
        } else {
            EncodeChar(static_cast<unsigned>(255 - THRESHOLD + match_length));
            EncodePosition(static_cast<unsigned>(match_position));
        }
        int last_match_length = match_length;
        int i = 0;
        for (int c; i < last_match_length && (c = ReadByte()) >= 0; ++i) {
            DeleteNode(s);
            t.text_buf[s] = static_cast<uint8_t>(c);
            if (s < F - 1) t.text_buf[s + N] = static_cast<uint8_t>(c);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            InsertNode(r);
        }
        textsize += static_cast<uint32_t>(i);
        while (i++ < last_match_length) {
            DeleteNode(s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len) InsertNode(r);
        }
    } while (len > 0);
    EncodeEnd();
    bytesRead = static_cast<int32_t>(textsize);
}

void TLZH::LZHUnpack(int32_t textSize, const TReadProc& ReadProc, const TWriteProc& WriteProc) {
    if (textSize <= 0) return;
    read_ = &ReadProc;
    write_ = &WriteProc;
    InitLZH();
    TableGuard guard{&t_};
    Tables& t = *t_;
    getbuf = 0;
    getlen = 0;
    StartHuff();
    std::memset(t.text_buf, ' ', N - F);
    unsigned r = N - F;
    for (int32_t count = 0; count < textSize;) {
        int c = DecodeChar();
        if (c < 256) {
            WriteByte(static_cast<uint8_t>(c));
            t.text_buf[r] = static_cast<uint8_t>(c);
            r = (r + 1) & (N - 1);
            ++count;
        } else {
            unsigned from = (r - static_cast<unsigned>(DecodePosition()) - 1) & (N - 1);
            int n = c - 255 + THRESHOLD;
            // Stop at exactly textSize, even inside a match.
            for (int k = 0; k < n && count < textSize; ++k) {
                uint8_t b = t.text_buf[(from + static_cast<unsigned>(k)) & (N - 1)];
                WriteByte(b);
                t.text_buf[r] = b;
                r = (r + 1) & (N - 1);
                ++count;
            }
        }
    }
}

// ---- framing ----

void LZHPackStream(TStream& source, TStream& dest) {
    source.SetPosition(0);
    dest.SetPosition(0);
    int64_t size = source.Size();
    uint8_t head[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
                       static_cast<uint8_t>(size >> 24)};
    dest.WriteBuffer(head, 4);
    TLZH lzh;
    lzh.StreamIn = &source;
    lzh.StreamOut = &dest;
    int32_t consumed = 0;
    lzh.LZHPack(consumed, lzh.StreamReader(), lzh.StreamWriter());
}

bool LZHUnpackStream(TStream& source, TStream& dest) {
    source.SetPosition(0);
    dest.SetPosition(0);
    int64_t total = source.Size();
    uint8_t head[4];
    if (total < 4 || source.Read(head, 4) != 4) return false;
    int32_t length = static_cast<int32_t>(static_cast<uint32_t>(head[0]) | static_cast<uint32_t>(head[1]) << 8 |
                                          static_cast<uint32_t>(head[2]) << 16 | static_cast<uint32_t>(head[3]) << 24);
    if (length > MaxExpansion(total - 4)) return false;
    if (length > 0) {
        // Room for the whole expansion up front, so the byte-wise writes never reallocate.
        dest.SetSize(length);
        dest.SetPosition(0);
    }
    TLZH lzh;
    lzh.StreamIn = &source;
    lzh.StreamOut = &dest;
    lzh.LZHUnpack(length, lzh.StreamReader(), lzh.StreamWriter());
    return true;
}
