// Input and output files over POSIX descriptors: positioned reads, whole-file
// read-only mappings, and outputs that replace their target only when whole.
#include "platform/Files.h"
#include "platform/TempPath.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// Keeps a mapping alive for as long as any file's contents point into it.
struct Mapping {
    void* address = nullptr;
    size_t size = 0;
    ~Mapping() { munmap(address, size); }
};

std::shared_ptr<Mapping> MapAndHold(void* address, size_t size)
{
    auto mapping = std::make_shared<Mapping>();
    mapping->address = address;
    mapping->size = size;
    return mapping;
}

// Largest chunk handed to one system call: Linux moves at most about 2 GiB
// per call anyway.
constexpr size_t kMaxChunk = 1u << 30;

}  // namespace

struct InputFile::Handle {
    int fd = -1;
};

InputFile::InputFile() = default;

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path)
{
    Close();
    // Non-blocking, so that a FIFO put in a file's place cannot hold the
    // open; it is refused below. Regular files ignore the flag.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    handle_ = std::make_unique<Handle>();
    handle_->fd = fd;
    size_ = static_cast<uint64_t>(info.st_size);
    return true;
}

size_t InputFile::ReadAt(uint64_t offset, void* buffer, size_t n)
{
    if (!handle_ || offset > static_cast<uint64_t>(LLONG_MAX))
        return 0;
    size_t done = 0;
    while (done < n) {
        size_t chunk = n - done < kMaxChunk ? n - done : kMaxChunk;
        ssize_t got = pread(handle_->fd, static_cast<char*>(buffer) + done, chunk,
                            static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

std::shared_ptr<const uint8_t> InputFile::MapWhole()
{
    if (!handle_ || size_ == 0 || size_ > SIZE_MAX)
        return nullptr;
    void* address = mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_PRIVATE | MAP_POPULATE, handle_->fd, 0);
    if (address == MAP_FAILED)
        return nullptr;
    return std::shared_ptr<const uint8_t>(MapAndHold(address, static_cast<size_t>(size_)),
                                          static_cast<const uint8_t*>(address));
}

void InputFile::Close()
{
    if (handle_)
        close(handle_->fd);
    handle_.reset();
    size_ = 0;
}

struct OutputFile::Handle {
    int fd = -1;
};

OutputFile::OutputFile() = default;

OutputFile::~OutputFile()
{
    if (handle_)
        close(handle_->fd);
    if (!tempPath_.empty())
        unlink(tempPath_.c_str());
}

bool OutputFile::Create(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    handle_ = std::make_unique<Handle>();
    handle_->fd = fd;
    position_ = 0;
    failed_ = false;
    return true;
}

bool OutputFile::CreateBeside(const std::string& target)
{
    // The target must be a file we may write: a folder, or a file we may not
    // open for writing, is refused before anything is made.
    struct stat info;
    if (stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return false;
        int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0)
            return false;
        close(probe);
    }
    TempPathBeside names(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = names.Next();
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            handle_ = std::make_unique<Handle>();
            handle_->fd = fd;
            tempPath_ = temp;
            targetPath_ = target;
            position_ = 0;
            failed_ = false;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool OutputFile::Write(const void* data, size_t n)
{
    const Piece piece{data, n};
    return WriteGather(&piece, 1);
}

bool OutputFile::WriteGather(const Piece* pieces, size_t count)
{
    if (failed_ || !handle_) {
        failed_ = true;
        return false;
    }
    // A small folder's files go out in one call instead of one call each.
    constexpr size_t kMaxPieces = 1024;  // IOV_MAX on Linux
    iovec batch[kMaxPieces];
    size_t next = 0;
    while (next < count) {
        size_t n = 0;
        uint64_t bytes = 0;
        for (; next < count && n < kMaxPieces && bytes < kMaxChunk; ++next) {
            if (pieces[next].size == 0)
                continue;
            batch[n].iov_base = const_cast<void*>(pieces[next].data);
            batch[n].iov_len = pieces[next].size;
            bytes += pieces[next].size;
            ++n;
        }
        iovec* pending = batch;
        while (n > 0) {
            ssize_t put = writev(handle_->fd, pending, static_cast<int>(n));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {  // includes EFAULT from a mapped file that shrank
                failed_ = true;
                return false;
            }
            position_ += static_cast<uint64_t>(put);
            // Partial write: skip what went out, resume inside the piece cut.
            size_t done = static_cast<size_t>(put);
            while (n > 0 && done >= pending->iov_len) {
                done -= pending->iov_len;
                ++pending;
                --n;
            }
            if (n > 0) {
                pending->iov_base = static_cast<char*>(pending->iov_base) + done;
                pending->iov_len -= done;
            }
        }
    }
    return true;
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t n)
{
    if (failed_ || !handle_) {
        failed_ = true;
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < n) {
        ssize_t put = pwrite(handle_->fd, bytes + done, n - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            failed_ = true;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

bool OutputFile::Close()
{
    if (!handle_)
        return !failed_;
    if (close(handle_->fd) != 0)
        failed_ = true;
    handle_.reset();
    return !failed_;
}

bool OutputFile::Commit()
{
    bool ok = Close();
    if (ok && !tempPath_.empty())
        ok = rename(tempPath_.c_str(), targetPath_.c_str()) == 0;
    if (!tempPath_.empty()) {
        if (!ok)
            unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    failed_ = !ok;
    return ok;
}

std::shared_ptr<uint8_t> AllocateContents(size_t n)
{
    if (n == 0)
        return std::shared_ptr<uint8_t>(new uint8_t[1](), std::default_delete<uint8_t[]>());
    // Large blocks are aligned for huge pages where the system offers them:
    // one fault and one clearing per 2 MiB instead of per 4 KiB.
    constexpr size_t kHugePage = 2 * 1024 * 1024;
    if (n >= kHugePage && n <= SIZE_MAX - kHugePage) {
        const size_t size = (n + kHugePage - 1) / kHugePage * kHugePage;
        void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            return nullptr;
        // One huge page more than needed, then the ends cut off to align it.
        const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
        const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
        const size_t head = aligned - start;
        if (head > 0)
            munmap(raw, head);
        if (head < kHugePage)
            munmap(reinterpret_cast<void*>(aligned + size), kHugePage - head);
        void* address = reinterpret_cast<void*>(aligned);
        // Both are hints: a system without them faults the pages in later.
        madvise(address, size, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
        madvise(address, size, MADV_POPULATE_WRITE);
#endif
        return std::shared_ptr<uint8_t>(MapAndHold(address, size), static_cast<uint8_t*>(address));
    }
    void* address = mmap(nullptr, n, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (address == MAP_FAILED)
        return nullptr;
    return std::shared_ptr<uint8_t>(MapAndHold(address, n), static_cast<uint8_t*>(address));
}

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
