#include "framework/streaming/FormText.h"

#include <cstring>

namespace {

constexpr int kMaxDepth = 64;

std::wstring Widen(std::string_view utf8) {
    return Utf16ToWide(Utf8ToUtf16(utf8));
}

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool IsIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

enum class Tok { End, Ident, Integer, String, Symbol };

// ---------------------------------------------------------------- text to binary

class Parser {
public:
    Parser(std::string_view text, const TIncludeReader& include) : text_(text), include_(include) { Next(); }

    std::vector<uint8_t> Convert() {
        out_.WriteSignature();
        ParseObject(0);
        if (tok_ != Tok::End) Error("end of text expected after the last \"end\"");
        return out_.Take();
    }

private:
    [[noreturn]] void Error(const std::string& what) const {
        throw EParserError(L"Line " + IntToStr(tokLine_) + L": " + Widen(what));
    }

    void SkipBlanks() {
        for (;;) {
            while (pos_ < text_.size() &&
                   (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n')) {
                if (text_[pos_] == '\n') ++line_;
                ++pos_;
            }
            if (pos_ + 1 < text_.size() && text_[pos_] == '/' && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
                continue;
            }
            return;
        }
    }

    void Next() {
        SkipBlanks();
        tokLine_ = line_;
        ident_.clear();
        str_.clear();
        if (pos_ >= text_.size()) {
            tok_ = Tok::End;
            return;
        }
        const char c = text_[pos_];
        if (IsIdentStart(c)) {
            const size_t start = pos_;
            while (pos_ < text_.size() && (IsIdentChar(text_[pos_]) || text_[pos_] == '.')) ++pos_;
            ident_ = std::string(text_.substr(start, pos_ - start));
            tok_ = Tok::Ident;
        } else if ((c >= '0' && c <= '9') || c == '$') {
            LexNumber();
        } else if (c == '\'' || c == '#') {
            LexString();
        } else {
            symbol_ = c;
            ++pos_;
            tok_ = Tok::Symbol;
        }
    }

    void LexNumber() {
        const int base = text_[pos_] == '$' ? 16 : 10;
        if (base == 16) ++pos_;
        uint64_t v = 0;
        size_t digits = 0;
        for (; pos_ < text_.size(); ++pos_, ++digits) {
            const int d = HexDigit(text_[pos_]);
            if (d < 0 || d >= base) break;
            if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) Error("number too large");
            v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        }
        if (digits == 0) Error("digits expected after $");
        if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E'))
            Error("floating-point values are not supported");
        if (pos_ < text_.size() && IsIdentChar(text_[pos_])) Error("invalid number");
        number_ = v;
        tok_ = Tok::Integer;
    }

    void LexString() {
        while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
            if (text_[pos_] == '\'') {
                ++pos_;
                std::string piece;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r')
                        Error("unterminated string");
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                            piece += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    piece += text_[pos_++];
                }
                str_ += Utf8ToUtf16(piece);
            } else {
                ++pos_;
                const int base = pos_ < text_.size() && text_[pos_] == '$' ? 16 : 10;
                if (base == 16) ++pos_;
                uint32_t v = 0;
                size_t digits = 0;
                for (; pos_ < text_.size(); ++pos_, ++digits) {
                    const int d = HexDigit(text_[pos_]);
                    if (d < 0 || d >= base) break;
                    v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
                    if (v > 0x10FFFF) Error("character code too large");
                }
                if (digits == 0) Error("character code expected after #");
                if (v >= 0x10000) {
                    v -= 0x10000;
                    str_ += static_cast<char16_t>(0xD800 | (v >> 10));
                    str_ += static_cast<char16_t>(0xDC00 | (v & 0x3FF));
                } else {
                    str_ += static_cast<char16_t>(v);  // lone surrogates too: they round-trip
                }
            }
        }
        tok_ = Tok::String;
    }

    bool IsSymbol(char c) const { return tok_ == Tok::Symbol && symbol_ == c; }
    bool IsKeyword(const char* word) const { return tok_ == Tok::Ident && SameAscii(ident_, word); }

    void ExpectSymbol(char c) {
        if (!IsSymbol(c)) Error(std::string("\"") + c + "\" expected");
        Next();
    }

    std::string ExpectIdent(const char* what) {
        if (tok_ != Tok::Ident) Error(std::string(what) + " expected");
        std::string s = ident_;
        Next();
        return s;
    }

    void ParseObject(int depth) {
        if (depth > kMaxDepth) Error("objects nested too deeply");
        if (IsKeyword("inherited") || IsKeyword("inline")) Error("inherited and inline objects are not supported");
        if (!IsKeyword("object")) Error("\"object\" expected");
        Next();
        std::string first = ExpectIdent("a name or class name");
        std::string name, cls;
        if (IsSymbol(':')) {
            Next();
            name = first;
            cls = ExpectIdent("a class name");
        } else {
            cls = first;
        }
        if (IsSymbol('[')) Error("object order numbers are not supported");
        out_.WriteStr(cls);
        out_.WriteStr(name);
        while (tok_ == Tok::Ident && !IsKeyword("end") && !IsKeyword("object") && !IsKeyword("inherited") &&
               !IsKeyword("inline"))
            ParseProperty(depth);
        out_.WriteListEnd();
        while (IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline")) ParseObject(depth + 1);
        if (!IsKeyword("end")) Error("\"end\" expected");
        Next();
        out_.WriteListEnd();
    }

    void ParseProperty(int depth) {
        const std::string name = ExpectIdent("a property name");
        ExpectSymbol('=');
        out_.WriteStr(name);
        ParseValue(depth);
    }

    void ParseValue(int depth) {
        if (depth > kMaxDepth) Error("values nested too deeply");
        switch (tok_) {
            case Tok::Integer: {
                if (number_ > static_cast<uint64_t>(INT64_MAX)) Error("number too large");
                out_.WriteInteger(static_cast<int64_t>(number_));
                Next();
                return;
            }
            case Tok::String: {
                std::u16string s = str_;
                Next();
                while (IsSymbol('+')) {
                    Next();
                    if (tok_ != Tok::String) Error("a string expected after +");
                    s += str_;
                    Next();
                }
                out_.WriteString(s);
                return;
            }
            case Tok::Ident:
                out_.WriteIdent(ident_);
                Next();
                return;
            case Tok::Symbol: break;
            case Tok::End: Error("a value expected");
        }
        const char c = symbol_;
        if (c == '-') {
            Next();
            if (tok_ != Tok::Integer) Error("a number expected after -");
            if (number_ > static_cast<uint64_t>(INT64_MAX) + 1) Error("number too large");
            out_.WriteInteger(static_cast<int64_t>(0 - number_));
            Next();
        } else if (c == '[') {
            Next();
            out_.WriteValue(fdSet);
            if (!IsSymbol(']')) {
                for (;;) {
                    out_.WriteStr(ExpectIdent("a set member"));
                    if (!IsSymbol(',')) break;
                    Next();
                }
            }
            ExpectSymbol(']');
            out_.WriteStr("");
        } else if (c == '(') {
            Next();
            out_.WriteValue(fdList);
            while (!IsSymbol(')')) ParseValue(depth + 1);
            Next();
            out_.WriteListEnd();
        } else if (c == '{') {
            std::vector<uint8_t> bytes;
            int high = -1;
            for (;;) {
                if (pos_ >= text_.size()) Error("unterminated binary data");
                const char h = text_[pos_++];
                if (h == '}') break;
                if (h == '\n') ++line_;
                if (h == ' ' || h == '\t' || h == '\r' || h == '\n') continue;
                if (h == '@') {
                    if (high >= 0) Error("binary data with an odd number of digits");
                    IncludeFile(bytes);
                    continue;
                }
                const int d = HexDigit(h);
                if (d < 0) Error("invalid character in binary data");
                if (high < 0) {
                    high = d;
                } else {
                    bytes.push_back(static_cast<uint8_t>(high << 4 | d));
                    high = -1;
                }
            }
            if (high >= 0) Error("binary data with an odd number of digits");
            out_.WriteBinary(bytes.data(), bytes.size());
            Next();
        } else if (c == '<') {
            Next();
            out_.WriteValue(fdCollection);
            while (IsKeyword("item")) {
                Next();
                if (IsSymbol('[')) Error("item order numbers are not supported");
                out_.WriteValue(fdList);
                while (tok_ == Tok::Ident && !IsKeyword("end")) ParseProperty(depth + 1);
                if (!IsKeyword("end")) Error("\"end\" expected after the item's properties");
                Next();
                out_.WriteListEnd();
            }
            ExpectSymbol('>');
            out_.WriteListEnd();
        } else {
            Error(std::string("unexpected \"") + c + "\"");
        }
    }

    // Inside binary data: "@file 'path'" (the file's bytes) or "@counted 'path'"
    // (a 32-bit little-endian count, then the file's bytes).
    void IncludeFile(std::vector<uint8_t>& bytes) {
        const size_t start = pos_;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
        const std::string_view kind = text_.substr(start, pos_ - start);
        const bool counted = SameAscii(kind, "counted");
        if (!counted && !SameAscii(kind, "file")) Error("@file or @counted expected in binary data");
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
        if (pos_ >= text_.size() || text_[pos_] != '\'')
            Error("a quoted file name expected after @" + std::string(kind));
        const size_t nameStart = ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '\'' && text_[pos_] != '\n') ++pos_;
        if (pos_ >= text_.size() || text_[pos_] != '\'') Error("unterminated file name");
        const std::string path(text_.substr(nameStart, pos_ - nameStart));
        ++pos_;
        if (!include_) Error("files cannot be included here: " + path);
        std::vector<uint8_t> file;
        try {
            file = include_(path);
        } catch (const EFrameworkError& e) {
            Error(e.what());
        }
        if (counted) {
            if (file.size() > 0x7FFFFFFF) Error("file too large: " + path);
            const auto n = static_cast<uint32_t>(file.size());
            for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<uint8_t>(n >> (8 * k)));
        }
        bytes.insert(bytes.end(), file.begin(), file.end());
    }

    std::string_view text_;
    const TIncludeReader& include_;
    size_t pos_ = 0;
    int line_ = 1;
    int tokLine_ = 1;
    Tok tok_ = Tok::End;
    std::string ident_;
    std::u16string str_;
    uint64_t number_ = 0;
    char symbol_ = 0;
    TFormOutput out_;
};

// ---------------------------------------------------------------- binary to text

class Printer {
public:
    Printer(const uint8_t* data, size_t size) : in_(data, size) {}

    std::string Convert() {
        in_.ReadSignature();
        PrintObject(0);
        return std::move(out_);
    }

private:
    void Indent(int n) { out_.append(static_cast<size_t>(n), ' '); }

    void PrintObject(int indent) {
        if (indent / 2 > kMaxDepth) throw EFormReadError(L"Invalid form data: objects nested too deeply");
        if ((in_.NextValue() & 0xF0) == 0xF0) throw EFormReadError(L"Inherited and inline components are not supported");
        const std::string cls = in_.ReadStr();
        const std::string name = in_.ReadStr();
        Indent(indent);
        out_ += "object ";
        out_ += name.empty() ? cls : name + ": " + cls;
        out_ += '\n';
        PrintProperties(indent + 2);
        while (!in_.EndOfList()) PrintObject(indent + 2);
        Indent(indent);
        out_ += "end\n";
    }

    void PrintProperties(int indent) {
        while (!in_.EndOfList()) {
            Indent(indent);
            out_ += in_.ReadStr();
            out_ += " = ";
            PrintValue(indent);
            out_ += '\n';
        }
    }

    void PrintValue(int indent) {
        if (indent / 2 > kMaxDepth * 2) throw EFormReadError(L"Invalid form data: values nested too deeply");
        const TFormTag t = in_.NextValue();
        switch (t) {
            case fdInt8:
            case fdInt16:
            case fdInt32:
            case fdInt64: out_ += std::to_string(in_.ReadInteger()); return;
            case fdString:
            case fdLString:
            case fdWString:
            case fdUTF8String: PrintString(in_.ReadString()); return;
            case fdIdent:
            case fdFalse:
            case fdTrue:
            case fdNil: out_ += in_.ReadIdent(); return;
            case fdSet: {
                in_.ReadValue();
                out_ += '[';
                bool first = true;
                for (;;) {
                    const std::string member = in_.ReadStr();
                    if (member.empty()) break;
                    if (!first) out_ += ", ";
                    out_ += member;
                    first = false;
                }
                out_ += ']';
                return;
            }
            case fdList: {
                in_.ReadValue();
                out_ += '(';
                while (!in_.EndOfList()) {
                    out_ += '\n';
                    Indent(indent + 2);
                    PrintValue(indent + 2);
                }
                out_ += ')';
                return;
            }
            case fdBinary: {
                const std::vector<uint8_t> bytes = in_.ReadBinary();
                static const char digits[] = "0123456789ABCDEF";
                out_ += '{';
                for (size_t i = 0; i < bytes.size(); ++i) {
                    if (i % 32 == 0) {
                        out_ += '\n';
                        Indent(indent + 2);
                    }
                    out_ += digits[bytes[i] >> 4];
                    out_ += digits[bytes[i] & 15];
                }
                out_ += '}';
                return;
            }
            case fdCollection: {
                in_.ReadValue();
                out_ += '<';
                while (!in_.EndOfList()) {
                    const TFormTag n = in_.NextValue();
                    if (n == fdInt8 || n == fdInt16 || n == fdInt32) (void)in_.ReadInteger();
                    if (in_.ReadValue() != fdList) throw EFormReadError(L"Invalid form data: a collection item expected");
                    out_ += '\n';
                    Indent(indent + 2);
                    out_ += "item\n";
                    PrintProperties(indent + 4);
                    Indent(indent + 2);
                    out_ += "end";
                }
                out_ += '>';
                return;
            }
            case fdExtended:
            case fdSingle:
            case fdCurrency:
            case fdDate:
            case fdDouble: throw EFormReadError(L"Floating-point values are not supported");
            default: throw EFormReadError(L"Invalid form data: unknown value " + FormTagName(t));
        }
    }

    void PrintString(const std::u16string& s) {
        if (s.empty()) {
            out_ += "''";
            return;
        }
        bool quoted = false;
        for (size_t i = 0; i < s.size(); ++i) {
            uint32_t cp = s[i];
            size_t units = 1;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00u);
                units = 2;
            }
            const bool plain = (cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && !(cp >= 0xD800 && cp <= 0xDFFF));
            if (plain) {
                if (!quoted) out_ += '\'';
                quoted = true;
                if (cp == '\'') out_ += '\'';
                out_ += Utf16ToUtf8(s.substr(i, units));
            } else {
                if (quoted) out_ += '\'';
                quoted = false;
                out_ += '#';
                out_ += std::to_string(cp);
            }
            i += units - 1;
        }
        if (quoted) out_ += '\'';
    }

    TFormInput in_;
    std::string out_;
};

}  // namespace

std::vector<uint8_t> ObjectTextToBinary(std::string_view text, const TIncludeReader& include) {
    Parser parser(text, include);
    return parser.Convert();
}

std::string ObjectBinaryToText(const uint8_t* data, size_t size) {
    Printer printer(data, size);
    return printer.Convert();
}
