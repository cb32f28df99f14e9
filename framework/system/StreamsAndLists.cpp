#include "StreamsAndLists.h"

#include <algorithm>
#include <cstring>

#include "ErrorsAndStrings.h"

int64_t TStream::Size() {
    int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError(L"Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError(L"Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buf[65536];
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t avail = static_cast<int64_t>(data_.size()) - pos_;
    int64_t n = std::max<int64_t>(0, std::min(count, avail));
    if (n > 0) std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (pos_ + count > static_cast<int64_t>(data_.size())) data_.resize(static_cast<size_t>(pos_ + count));
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                   : origin == TSeekOrigin::soCurrent ? pos_
                                                      : static_cast<int64_t>(data_.size());
    pos_ = std::max<int64_t>(0, base + offset);
    return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
    pos_ = std::min(pos_, static_cast<int64_t>(data_.size()));
}

void TMemoryStream::Clear() {
    data_.clear();
    pos_ = 0;
}

void TStringList::SetText(std::wstring_view text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t start = i;
        while (i < text.size() && text[i] != L'\r' && text[i] != L'\n') ++i;
        items_.emplace_back(text.substr(start, i - start));
        if (i < text.size() && text[i] == L'\r') ++i;
        if (i < text.size() && text[i] == L'\n') ++i;
    }
}

std::wstring TStringList::Text() const {
    std::wstring out;
    for (const auto& s : items_) {
        out += s;
        out += L"\r\n";
    }
    return out;
}
