#include "framework/streaming/FormData.h"

#include <cstring>
#include <limits>

#include "framework/system/CodePage.h"

namespace {

constexpr int kMaxNesting = 64;  // lists inside lists: far more than any property needs

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, uint32_t cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (cp >> 10));
        out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp <= 0xFFFF ? cp : 0xFFFD);
    }
}

}  // namespace

std::wstring FormTagName(uint8_t type) {
    switch (type) {
        case fdNull: return L"fdNull";
        case fdList: return L"fdList";
        case fdInt8: return L"fdInt8";
        case fdInt16: return L"fdInt16";
        case fdInt32: return L"fdInt32";
        case fdExtended: return L"fdExtended";
        case fdString: return L"fdString";
        case fdIdent: return L"fdIdent";
        case fdFalse: return L"fdFalse";
        case fdTrue: return L"fdTrue";
        case fdBinary: return L"fdBinary";
        case fdSet: return L"fdSet";
        case fdLString: return L"fdLString";
        case fdNil: return L"fdNil";
        case fdCollection: return L"fdCollection";
        case fdSingle: return L"fdSingle";
        case fdCurrency: return L"fdCurrency";
        case fdDate: return L"fdDate";
        case fdWString: return L"fdWString";
        case fdInt64: return L"fdInt64";
        case fdUTF8String: return L"fdUTF8String";
        case fdDouble: return L"fdDouble";
        default: return L"tag " + IntToStr(type);
    }
}

// ---------------------------------------------------------------- text

std::u16string WideToUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if constexpr (sizeof(wchar_t) == 2) {
            out += static_cast<char16_t>(c);
        } else {
            const auto cp = static_cast<uint32_t>(c);
            if (cp >= 0x10000)
                AppendUtf16(out, cp);
            else
                out += static_cast<char16_t>(cp);  // lone surrogates stay as they are
        }
    }
    return out;
}

std::wstring Utf16ToWide(std::u16string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if constexpr (sizeof(wchar_t) == 2) {
            out += static_cast<wchar_t>(c);
        } else {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                const uint32_t cp = 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
                out += static_cast<wchar_t>(cp);
                ++i;
            } else {
                out += static_cast<wchar_t>(c);
            }
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<uint8_t>(text[i]);
        int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        uint32_t cp = len == 1 ? b : len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
        bool ok = len > 0 && i + static_cast<size_t>(len) <= text.size();
        for (int k = 1; ok && k < len; ++k) {
            const auto c = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        static const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (cp < minimum[len] || cp > 0x10FFFF)) ok = false;
        if (!ok) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

// ---------------------------------------------------------------- input

void TFormInput::Need(size_t count) const {
    if (count > Remaining())
        throw EFormReadError(L"Form data ends early: " + IntToStr(static_cast<long long>(count)) +
                         L" bytes needed at offset " + IntToStr(static_cast<long long>(pos_)) + L", " +
                         IntToStr(static_cast<long long>(Remaining())) + L" left");
}

void TFormInput::ReadSignature() {
    char sig[4];
    if (Remaining() < 4) throw EFormReadError(L"Invalid form data: no PMF1 signature");
    ReadBytes(sig, 4);
    if (std::memcmp(sig, kFormSignature, 4) != 0) throw EFormReadError(L"Invalid form data: no PMF1 signature");
}

uint8_t TFormInput::ReadByte() {
    Need(1);
    return data_[pos_++];
}

void TFormInput::ReadBytes(void* target, size_t count) {
    Need(count);
    if (count) std::memcpy(target, data_ + pos_, count);
    pos_ += count;
}

TFormTag TFormInput::NextValue() const {
    Need(1);
    return static_cast<TFormTag>(data_[pos_]);
}

TFormTag TFormInput::ReadValue() {
    return static_cast<TFormTag>(ReadByte());
}

bool TFormInput::EndOfList() {
    if (NextValue() != fdNull) return false;
    ++pos_;
    return true;
}

void TFormInput::ReadListEnd() {
    const uint8_t t = ReadByte();
    if (t != fdNull) throw EFormReadError(L"Invalid form data: end of list expected, found " + FormTagName(t));
}

std::string TFormInput::ReadStr() {
    const size_t n = ReadByte();
    std::string s(n, '\0');
    ReadBytes(s.data(), n);
    return s;
}

uint32_t TFormInput::ReadCount(size_t unitSize) {
    uint8_t b[4];
    ReadBytes(b, 4);
    const uint32_t n = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    if (n > 0x7FFFFFFFu || n > Remaining() / unitSize)
        throw EFormReadError(L"Invalid form data: a count of " + IntToStr(n) + L" at offset " +
                         IntToStr(static_cast<long long>(pos_ - 4)) + L" runs past the end");
    return n;
}

int64_t TFormInput::ReadInteger() {
    const TFormTag t = ReadValue();
    uint8_t b[8] = {};
    switch (t) {
        case fdInt8: ReadBytes(b, 1); return static_cast<int8_t>(b[0]);
        case fdInt16: ReadBytes(b, 2); return static_cast<int16_t>(b[0] | b[1] << 8);
        case fdInt32:
            ReadBytes(b, 4);
            return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
        case fdInt64: {
            ReadBytes(b, 8);
            uint64_t v = 0;
            for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
            return static_cast<int64_t>(v);
        }
        default: throw EFormReadError(L"Invalid property value: an integer expected, found " + FormTagName(t));
    }
}

std::u16string TFormInput::ReadString() {
    const TFormTag t = ReadValue();
    switch (t) {
        case fdString:
        case fdLString: {
            const size_t n = t == fdString ? ReadByte() : ReadCount(1);
            std::string bytes(n, '\0');
            ReadBytes(bytes.data(), n);
            return WideToUtf16(AnsiToWide(bytes));
        }
        case fdUTF8String: {
            const size_t n = ReadCount(1);
            std::string bytes(n, '\0');
            ReadBytes(bytes.data(), n);
            return Utf8ToUtf16(bytes);
        }
        case fdWString: {
            const size_t n = ReadCount(2);
            std::u16string s(n, u'\0');
            for (size_t i = 0; i < n; ++i) {
                uint8_t b[2];
                ReadBytes(b, 2);
                s[i] = static_cast<char16_t>(b[0] | b[1] << 8);
            }
            return s;
        }
        default: throw EFormReadError(L"Invalid property value: a string expected, found " + FormTagName(t));
    }
}

std::string TFormInput::ReadIdent() {
    const TFormTag t = ReadValue();
    switch (t) {
        case fdIdent: return ReadStr();
        case fdFalse: return "False";
        case fdTrue: return "True";
        case fdNil: return "nil";
        default: throw EFormReadError(L"Invalid property value: an identifier expected, found " + FormTagName(t));
    }
}

std::vector<uint8_t> TFormInput::ReadBinary() {
    const TFormTag t = ReadValue();
    if (t != fdBinary) throw EFormReadError(L"Invalid property value: binary data expected, found " + FormTagName(t));
    std::vector<uint8_t> bytes(ReadCount(1));
    ReadBytes(bytes.data(), bytes.size());
    return bytes;
}

void TFormInput::SkipValue() {
    SkipValue(0);
}

void TFormInput::SkipValue(int depth) {
    if (depth > kMaxNesting) throw EFormReadError(L"Invalid form data: values nested too deeply");
    const TFormTag t = NextValue();
    switch (t) {
        case fdNull: throw EFormReadError(L"Invalid form data: a value expected, found fdNull");
        case fdList:
            ++pos_;
            while (!EndOfList()) SkipValue(depth + 1);
            return;
        case fdInt8:
        case fdInt16:
        case fdInt32:
        case fdInt64: (void)ReadInteger(); return;
        case fdExtended:
            ++pos_;
            Need(10);
            pos_ += 10;
            return;
        case fdSingle:
            ++pos_;
            Need(4);
            pos_ += 4;
            return;
        case fdCurrency:
        case fdDate:
        case fdDouble:
            ++pos_;
            Need(8);
            pos_ += 8;
            return;
        case fdString:
        case fdLString:
        case fdWString:
        case fdUTF8String: (void)ReadString(); return;
        case fdIdent:
        case fdFalse:
        case fdTrue:
        case fdNil: (void)ReadIdent(); return;
        case fdBinary: {
            ++pos_;
            const uint32_t n = ReadCount(1);
            pos_ += n;
            return;
        }
        case fdSet:
            ++pos_;
            while (!ReadStr().empty()) {
            }
            return;
        case fdCollection:
            ++pos_;
            while (!EndOfList()) {
                if (NextValue() == fdInt8 || NextValue() == fdInt16 || NextValue() == fdInt32) (void)ReadInteger();
                const uint8_t item = ReadByte();
                if (item != fdList) throw EFormReadError(L"Invalid form data: a collection item expected");
                while (!EndOfList()) {
                    (void)ReadStr();
                    SkipValue(depth + 1);
                }
            }
            return;
        default: throw EFormReadError(L"Invalid form data: unknown value " + FormTagName(t));
    }
}

// ---------------------------------------------------------------- output

void TFormOutput::WriteSignature() {
    WriteBytes(kFormSignature, 4);
}

void TFormOutput::WriteBytes(const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + count);
}

void TFormOutput::WriteInt32(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) WriteByte(static_cast<uint8_t>(v >> (8 * i)));
}

void TFormOutput::WriteStr(std::string_view utf8) {
    if (utf8.size() > 255) throw EWriteError(L"Name too long for the form data: " + Utf8ToWide(utf8));
    WriteByte(static_cast<uint8_t>(utf8.size()));
    WriteBytes(utf8.data(), utf8.size());
}

void TFormOutput::WriteInteger(int64_t value) {
    if (value >= -128 && value <= 127) {
        WriteByte(fdInt8);
        WriteByte(static_cast<uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        WriteByte(fdInt16);
        WriteByte(static_cast<uint8_t>(value));
        WriteByte(static_cast<uint8_t>(value >> 8));
    } else if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        WriteByte(fdInt32);
        WriteInt32(static_cast<int32_t>(value));
    } else {
        WriteByte(fdInt64);
        const auto v = static_cast<uint64_t>(value);
        for (int i = 0; i < 8; ++i) WriteByte(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void TFormOutput::WriteString(std::u16string_view text) {
    bool ascii = true;
    for (char16_t c : text) ascii = ascii && c < 0x80;
    if (text.size() > 0x7FFFFFFF) throw EWriteError(L"String too long for the form data");
    if (ascii) {
        if (text.size() <= 255) {
            WriteByte(fdString);
            WriteByte(static_cast<uint8_t>(text.size()));
        } else {
            WriteByte(fdLString);
            WriteInt32(static_cast<int32_t>(text.size()));
        }
        for (char16_t c : text) WriteByte(static_cast<uint8_t>(c));
        return;
    }
    WriteByte(fdWString);
    WriteInt32(static_cast<int32_t>(text.size()));
    for (char16_t c : text) {
        WriteByte(static_cast<uint8_t>(c));
        WriteByte(static_cast<uint8_t>(c >> 8));
    }
}

void TFormOutput::WriteIdent(std::string_view ident) {
    if (SameAscii(ident, "False")) {
        WriteByte(fdFalse);
    } else if (SameAscii(ident, "True")) {
        WriteByte(fdTrue);
    } else if (SameAscii(ident, "nil")) {
        WriteByte(fdNil);
    } else {
        WriteByte(fdIdent);
        WriteStr(ident);
    }
}

void TFormOutput::WriteBinary(const void* data, size_t count) {
    if (count > 0x7FFFFFFF) throw EWriteError(L"Binary data too long for the form data");
    WriteByte(fdBinary);
    WriteInt32(static_cast<int32_t>(count));
    WriteBytes(data, count);
}
