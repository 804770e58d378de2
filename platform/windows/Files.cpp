// Input and output files over Windows handles: positioned reads, and outputs
// that replace their target only when whole. Windows keeps the plain path:
// no mappings, contents are read into memory of their own.
#include "platform/Files.h"
#include "platform/TempPath.h"

#include <cstdio>
#include <new>
#include <windows.h>

namespace {

constexpr DWORD kMaxChunk = 1u << 30;

OVERLAPPED At(uint64_t offset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

struct InputFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
};

InputFile::InputFile() = default;

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path)
{
    Close();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;  // a folder does not open without backup semantics
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return false;
    }
    handle_ = std::make_unique<Handle>();
    handle_->file = file;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

size_t InputFile::ReadAt(uint64_t offset, void* buffer, size_t n)
{
    if (!handle_)
        return 0;
    size_t done = 0;
    while (done < n) {
        DWORD chunk = n - done < kMaxChunk ? static_cast<DWORD>(n - done) : kMaxChunk;
        OVERLAPPED at = At(offset + done);
        DWORD got = 0;
        if (!ReadFile(handle_->file, static_cast<char*>(buffer) + done, chunk, &got, &at) || got == 0)
            break;
        done += got;
    }
    return done;
}

std::shared_ptr<const uint8_t> InputFile::MapWhole() { return nullptr; }

void InputFile::Close()
{
    if (handle_)
        CloseHandle(handle_->file);
    handle_.reset();
    size_ = 0;
}

struct OutputFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
};

OutputFile::OutputFile() = default;

OutputFile::~OutputFile()
{
    if (handle_)
        CloseHandle(handle_->file);
    if (!tempPath_.empty())
        DeleteFileA(tempPath_.c_str());
}

bool OutputFile::Create(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle_ = std::make_unique<Handle>();
    handle_->file = file;
    position_ = 0;
    failed_ = false;
    return true;
}

bool OutputFile::CreateBeside(const std::string& target)
{
    // The target must be a file we may write: a folder, or a file we may not
    // open for writing, is refused before anything is made.
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        HANDLE probe = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(probe);
    }
    TempPathBeside names(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = names.Next();
        HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = std::make_unique<Handle>();
            handle_->file = file;
            tempPath_ = temp;
            targetPath_ = target;
            position_ = 0;
            failed_ = false;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

bool OutputFile::Write(const void* data, size_t n)
{
    if (failed_ || !handle_) {
        failed_ = true;
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < n) {
        DWORD chunk = n - done < kMaxChunk ? static_cast<DWORD>(n - done) : kMaxChunk;
        DWORD put = 0;
        if (!WriteFile(handle_->file, bytes + done, chunk, &put, nullptr) || put == 0) {
            failed_ = true;
            return false;
        }
        done += put;
    }
    position_ += n;
    return true;
}

bool OutputFile::WriteGather(const Piece* pieces, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (pieces[i].size > 0 && !Write(pieces[i].data, pieces[i].size))
            return false;
    return !failed_ && handle_ != nullptr;
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t n)
{
    if (failed_ || !handle_ || n > kMaxChunk) {
        failed_ = true;
        return false;
    }
    OVERLAPPED at = At(offset);
    DWORD put = 0;
    LARGE_INTEGER back;
    back.QuadPart = static_cast<LONGLONG>(position_);
    // A positioned write moves a synchronous handle's pointer: put it back.
    if (!WriteFile(handle_->file, data, static_cast<DWORD>(n), &put, &at) || put != n ||
        !SetFilePointerEx(handle_->file, back, nullptr, FILE_BEGIN)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool OutputFile::Close()
{
    if (!handle_)
        return !failed_;
    if (!CloseHandle(handle_->file))
        failed_ = true;
    handle_.reset();
    return !failed_;
}

bool OutputFile::Commit()
{
    bool ok = Close();
    if (ok && !tempPath_.empty())
        ok = MoveFileExA(tempPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!tempPath_.empty()) {
        if (!ok)
            DeleteFileA(tempPath_.c_str());
        tempPath_.clear();
    }
    failed_ = !ok;
    return ok;
}

std::shared_ptr<uint8_t> AllocateContents(size_t n)
{
    uint8_t* bytes = new (std::nothrow) uint8_t[n > 0 ? n : 1];
    if (!bytes)
        return nullptr;
    return std::shared_ptr<uint8_t>(bytes, std::default_delete<uint8_t[]>());
}

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
