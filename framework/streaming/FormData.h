// The binary form data: value tags and the checked readers and writers of
// single values. Portable.
//
// Layout (signature "PMF1"): the signature, then one
// component: class name, component name (short strings), its properties
// (each a short-string name and one tagged value) ended by fdNull, then its
// child components, ended by fdNull. Short strings are a length byte and
// that many UTF-8 bytes. Integers, counts and UTF-16 units are little-endian.
//
// Contract of TFormInput: every read is checked against the end of the
// data. A tag, length or count that runs past it raises EFormReadError before
// anything is read or allocated, so no input makes it read outside its
// buffer or reserve more memory than the input is long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/system/ErrorsAndStrings.h"

// The high nibble is the kind of value: 1 whole numbers, 2 floating point,
// 3 text, 4 words (identifiers and constants), 5 containers and bytes; a
// whole number's low nibble is its size in bytes.
enum TFormTag : uint8_t {
    fdNull = 0x00,  // ends a list
    fdInt8 = 0x11,
    fdInt16 = 0x12,
    fdInt32 = 0x14,
    fdInt64 = 0x18,
    fdSingle = 0x21,      // 4 bytes
    fdDouble = 0x22,      // 8 bytes
    fdExtended = 0x23,    // 10 bytes
    fdCurrency = 0x24,    // 8 bytes
    fdDate = 0x25,        // 8 bytes
    fdString = 0x31,      // length byte, then 8-bit text
    fdLString = 0x32,     // 32-bit length, then 8-bit text
    fdUTF8String = 0x33,  // 32-bit length, then UTF-8 bytes
    fdWString = 0x34,     // 32-bit count of UTF-16 units, then the units
    fdIdent = 0x41,       // short string
    fdFalse = 0x42,
    fdTrue = 0x43,
    fdNil = 0x44,
    fdList = 0x51,        // values ended by fdNull
    fdSet = 0x52,         // short strings ended by an empty one
    fdCollection = 0x53,  // items (fdList ... fdNull each) ended by fdNull
    fdBinary = 0x54,      // 32-bit count, then the bytes
};

// Name of a tag for messages ("fdInt8"), or "tag N".
std::wstring FormTagName(uint8_t type);

constexpr char kFormSignature[4] = {'P', 'M', 'F', '1'};

// Failures of the form reader, writer and converter.
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFormReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};
class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};
class EUnknownClassError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// Text as the format stores it (UTF-16 units) and the framework's wide strings.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);
// UTF-8 with lone surrogates passed through as their 3-byte forms, so nothing is lost.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

class TFormInput {
public:
    TFormInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }

    // Raises EFormReadError unless the next four bytes are "PMF1".
    void ReadSignature();
    uint8_t ReadByte();
    void ReadBytes(void* target, size_t count);
    // The next tag without taking it; EFormReadError at the end of the data.
    TFormTag NextValue() const;
    TFormTag ReadValue();
    // True (and the fdNull taken) at the end of a list.
    bool EndOfList();
    void ReadListEnd();
    // A short string (names, identifiers, set members) as UTF-8.
    std::string ReadStr();
    // A 32-bit count or length that must be no larger than the data left,
    // counted in units of unitSize bytes.
    uint32_t ReadCount(size_t unitSize);

    // Typed values: each takes its tag and raises EFormReadError for a value of another kind.
    int64_t ReadInteger();
    std::u16string ReadString();
    std::string ReadIdent();  // fdIdent, fdFalse, fdTrue and fdNil give "False", "True", "nil"
    std::vector<uint8_t> ReadBinary();
    // Skips one whole value of any kind (lists, sets and collections included).
    void SkipValue();

private:
    void Need(size_t count) const;
    void SkipValue(int depth);

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class TFormOutput {
public:
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

    void WriteSignature();
    void WriteByte(uint8_t value) { bytes_.push_back(value); }
    void WriteBytes(const void* data, size_t count);
    void WriteInt32(int32_t value);
    void WriteValue(TFormTag type) { WriteByte(type); }
    void WriteListEnd() { WriteByte(fdNull); }
    // Short string; EWriteError when its UTF-8 form exceeds 255 bytes.
    void WriteStr(std::string_view utf8);
    // The smallest integer tag that holds the value.
    void WriteInteger(int64_t value);
    void WriteBoolean(bool value) { WriteByte(value ? fdTrue : fdFalse); }
    // ASCII text as fdString (fdLString past 255 bytes); anything else as fdWString.
    void WriteString(std::u16string_view text);
    // An identifier; "True", "False" and "nil" become their own tags.
    void WriteIdent(std::string_view ident);
    void WriteBinary(const void* data, size_t count);

private:
    std::vector<uint8_t> bytes_;
};
