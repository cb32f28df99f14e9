// File operations of the install that the common file seam lacks: the run
// lock, a held private copy of a staged file, the checks made before anything
// is replaced. One header, a Win32 and a POSIX implementation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Held for the whole run, so two updaters never work on one directory. On
// Windows a named mutex whose name holds a hash of the canonical, case-folded
// directory; natively an advisory lock on the directory itself.
class RunLock {
public:
    // Null when another run holds the directory (or no lock can be had at all).
    static std::unique_ptr<RunLock> TryAcquire(const std::wstring& appPath);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    explicit RunLock(intptr_t handle) : handle_(handle) {}
    intptr_t handle_;
};

// The mutex name for a directory: a fixed prefix and the SHA-256 of the
// canonical path's UTF-8 text, so every spelling of one directory gives one name.
std::wstring RunLockName(const std::wstring& canonicalPath);

// A private copy of a file, kept open so that no other program can write to it
// (Windows: no write sharing; natively it is created owner-only). The bytes a
// caller reads back through ReadAll are the bytes MoveTo puts in place.
class HeldCopy {
public:
    // Copies `from` into a new file at tempPath (an older file there is
    // removed first). Null on any failure, and nothing is left at tempPath.
    static std::unique_ptr<HeldCopy> Make(const std::wstring& from, const std::wstring& tempPath);
    ~HeldCopy();  // closes; removes the copy unless it was moved
    HeldCopy(const HeldCopy&) = delete;
    HeldCopy& operator=(const HeldCopy&) = delete;

    // Hands every byte of the copy, from the first, to sink; false on a read error.
    bool ReadAll(const std::function<void(const uint8_t*, size_t)>& sink);
    // Renames the copy over `to` (MoveFileEx, replacing); false on failure.
    bool MoveTo(const std::wstring& to);

private:
    HeldCopy(intptr_t handle, std::wstring path) : handle_(handle), path_(std::move(path)) {}
    intptr_t handle_;
    std::wstring path_;
    bool moved_ = false;
    int64_t size_ = 0;  // bytes written into the copy
};

// What opening an installed file for writing, with no sharing, found.
enum class TargetAccess { Missing, Free, Busy };
TargetAccess ProbeTarget(const std::wstring& path);

// The size of a file, -1 when it does not exist or cannot be read.
int64_t SizeOfFile(const std::wstring& path);
// Free bytes for the caller on the volume of dir, -1 when it cannot be told.
int64_t FreeBytesAt(const std::wstring& dir);
// The programs that hold path open, as the Restart Manager names them; empty
// when none is reported (always natively). At most a few names.
std::vector<std::wstring> ProgramsHolding(const std::wstring& path);
