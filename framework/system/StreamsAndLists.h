// Streams and string lists of the framework. Portable.
//
// TStream is the byte sink/source the HTTP client, the skin reader and the
// form reader work on. Size can be set: growing leaves the new bytes
// unspecified (zero for memory, the platform's fill for files), shrinking
// cuts the data and clamps Position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns the number read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns the number written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    int64_t Size();

    // Full reads and writes; raise EStreamError when the bytes are not all there.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (all of it from position 0 when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    void Clear();

    const uint8_t* Memory() const { return data_.data(); }
    uint8_t* Memory() { return data_.data(); }
    const std::vector<uint8_t>& Bytes() const { return data_; }

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// File open modes, as the framework combines them: one access mode, one share mode.
enum : uint32_t {
    fmCreate = 0xFF00,  // create or truncate, read and write
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyNone = 0x0040,
};

// A file on disk. The constructor raises EFileCreateError (fmCreate) or
// EFOpenError with the path in the message when the file cannot be had.
class TFileStream : public TStream {
public:
    TFileStream(const std::wstring& fileName, uint32_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    const std::wstring& FileName() const { return fileName_; }

private:
    std::wstring fileName_;
    intptr_t handle_;  // HANDLE on Windows, file descriptor elsewhere
};

// A list of strings. Text splits at CR LF, LF or CR; a final line break adds
// no empty line.
class TStringList {
public:
    void SetText(std::wstring_view text);
    std::wstring Text() const;  // lines joined, each followed by CR LF
    void Add(std::wstring line) { items_.push_back(std::move(line)); }
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const std::wstring& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    std::wstring& operator[](int index) { return items_.at(static_cast<size_t>(index)); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::wstring> items_;
};
