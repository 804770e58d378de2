// Files as the archive code needs them: an input file read at any offset
// (and mapped whole where the system allows), and an output file written
// in order that replaces its target only when it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// An open regular file for reading, raw bytes. Opening a folder fails.
class InputFile {
public:
    InputFile();
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when the path cannot be opened or is not a regular file.
    bool Open(const std::string& path);
    // The size measured at opening.
    uint64_t Size() const { return size_; }
    // Reads up to n bytes at the offset; returns how many were read (fewer at
    // the end of the file or on an error, never more).
    size_t ReadAt(uint64_t offset, void* buffer, size_t n);
    // The whole file as bytes that stay valid as long as the returned holder
    // lives (after Close too): a read-only mapping where the system has one,
    // or null when mapping is unavailable or failed (the caller then reads).
    // A file that shrinks while mapped must only be handed to the system
    // (OutputFile::Write), never copied by the program, or it may fault.
    std::shared_ptr<const uint8_t> MapWhole();
    void Close();

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    uint64_t size_ = 0;
};

// An output file written front to back, raw bytes. Failures are sticky: after
// one, every later call does nothing and Failed() stays true.
class OutputFile {
public:
    OutputFile();
    ~OutputFile();  // discards an unfinished temporary file
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or empties the file at path and opens it for writing.
    bool Create(const std::string& path);
    // Opens a new temporary file in the folder of target; Commit() renames it
    // over target. Until then an earlier file at target stays untouched.
    bool CreateBeside(const std::string& target);

    // One system write call per buffer (repeated only for partial writes), so
    // bytes from a mapping are never copied in user space.
    bool Write(const void* data, size_t n);
    // Writes the pieces one after another with as few system calls as the
    // system allows (never a copy in user space), as if by Write on each.
    struct Piece {
        const void* data;
        size_t size;
    };
    bool WriteGather(const Piece* pieces, size_t count);
    // Writes at an earlier offset without moving the write position.
    bool WriteAt(uint64_t offset, const void* data, size_t n);
    uint64_t Position() const { return position_; }
    bool Failed() const { return failed_; }

    // Closes the file; false when a write or the close failed.
    bool Close();
    // Closes a file made by CreateBeside and renames it over its target;
    // on any failure the temporary file is removed and false is returned.
    bool Commit();

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::string tempPath_;
    std::string targetPath_;
    uint64_t position_ = 0;
    bool failed_ = false;
};

// Fresh memory of n bytes for file contents, its pages made present at once
// (touching fresh pages one by one is slow), released with the last holder.
// Null when there is not enough memory.
std::shared_ptr<uint8_t> AllocateContents(size_t n);

// True when path names an existing folder.
bool IsFolder(const std::string& path);
