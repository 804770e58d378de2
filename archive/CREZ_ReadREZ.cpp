// Reading a REZ file into the archive tree, with or without file contents.
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <new>
#include <vector>

#include "CREZ.h"
#include "REZFormat.h"
#include "platform/Files.h"

namespace {

// Directory blocks are read through this much buffer (less for a smaller
// archive); a refill asks for no more than the rest of the block plus an
// element head, so each small block costs one read.
constexpr size_t kBufferSize = 64 * 1024;
constexpr size_t kElementHeadSize = 4 + 24;

// A file element whose contents cannot be had: the file is left out.
void ReportPassedOverFile(const char* reason, const std::string& name, const std::string& extension,
                          uint32_t offset, uint32_t length)
{
    printf("%s, passing over the file:\n  %s%s%s   Offset: %" PRIu32 "   Length: %" PRIu32 "\n\n",
           reason, name.c_str(), extension.empty() ? "" : ".", extension.c_str(), offset, length);
}

}  // namespace

// The open archive and everything one load needs to read it safely.
struct CREZ::ReadState {
    enum class Got { Ok, Short, OverBudget };

    explicit ReadState(InputFile& file)
        : file(file), size(file.Size()),
          buffer(static_cast<size_t>(std::min<uint64_t>(kBufferSize, size)))
    {
    }

    InputFile& file;
    const uint64_t size;
    FileBytes mapping;  // the whole archive, when contents are wanted and it maps
    FileBytes empty;    // shared by every file of length 0

    std::vector<uint8_t> buffer;
    uint64_t bufferStart = 0;
    size_t bufferLength = 0;
    uint64_t position = 0;
    uint64_t blockEnd = 0;

    // In a sound archive every block is read once and blocks never overlap,
    // so the directory bytes of one load stay below the archive's size.
    // Blocks shared by many directories would multiply the work instead.
    uint64_t directoryBytes = 0;
    bool stopped = false;

    // Offsets of the non-empty blocks from the root down to the one being read.
    std::vector<uint32_t> descent;

    void StartBlock(uint64_t offset, uint64_t length)
    {
        position = offset;
        blockEnd = offset + length;  // 64-bit: never wraps
    }

    bool Refill()
    {
        uint64_t want = (blockEnd > position ? blockEnd - position : 0) + kElementHeadSize;
        size_t n = static_cast<size_t>(std::min<uint64_t>(want, buffer.size()));
        bufferStart = position;
        bufferLength = file.ReadAt(position, buffer.data(), n);
        return bufferLength > 0;
    }

    Got Take(uint8_t* out, size_t n)
    {
        if (directoryBytes + n > size)
            return Got::OverBudget;
        while (n > 0) {
            if (position < bufferStart || position >= bufferStart + bufferLength) {
                if (!Refill())
                    return Got::Short;
            }
            size_t at = static_cast<size_t>(position - bufferStart);
            size_t chunk = std::min(n, bufferLength - at);
            memcpy(out, buffer.data() + at, chunk);
            out += chunk;
            n -= chunk;
            position += chunk;
            directoryBytes += chunk;
        }
        return Got::Ok;
    }

    // Reports a read that failed and stops what it must; the caller leaves
    // the block.
    void Report(Got got, uint64_t offset)
    {
        if (got == Got::Short) {
            printf("Error when reading REZ file, canceling reading of the current directory.\n"
                   "  Offset: %" PRIu64 "\n\n", offset);
        } else {
            printf("Directory blocks of REZ file overlap, canceling reading of the remaining directories.\n"
                   "  Offset: %" PRIu64 "\n\n", offset);
            stopped = true;
        }
    }

    // A name runs up to its terminator, and ends at the block's end at the
    // latest. A file name's terminator is two zero bytes in a row, and a lone
    // zero byte inside it is dropped; a directory name's is one zero byte.
    Got TakeName(std::string& name, bool fileName)
    {
        bool zeroBefore = false;
        while (position < blockEnd) {
            uint64_t at = position;
            uint8_t byte;
            Got got = Take(&byte, 1);
            if (got != Got::Ok) {
                position = at;
                return got;
            }
            if (byte != 0) {
                name += static_cast<char>(byte);
                zeroBefore = false;
            } else if (!fileName || zeroBefore) {
                break;
            } else {
                zeroBefore = true;
            }
        }
        return Got::Ok;
    }

    // The contents of a file that lies inside the archive, or null when
    // they cannot be had (the read comes up short, or memory runs out).
    FileBytes Contents(uint32_t offset, uint32_t length)
    {
        if (length == 0) {
            if (!empty)
                empty = FileBytes(new uint8_t[1](), std::default_delete<uint8_t[]>());
            return empty;
        }
        if (mapping)
            return FileBytes(mapping, mapping.get() + offset);
        uint8_t* raw = new (std::nothrow) uint8_t[length];
        if (!raw)
            return nullptr;
        FileBytes bytes(raw, std::default_delete<uint8_t[]>());
        if (file.ReadAt(offset, raw, length) != length)
            return nullptr;
        return bytes;
    }
};

bool CREZ::LoadREZ(std::string path, bool data)
{
    InputFile file;
    if (!file.Open(path)) {
        printf("Error when trying to read REZ file:\n  %s\n\n", path.c_str());
        return false;
    }
    Free();
    dataLoaded = data;

    ReadState in(file);
    if (data)
        in.mapping = file.MapWhole();

    uint8_t words[8];
    uint32_t rootOffset = 0;
    uint32_t rootLength = 0;
    if (file.ReadAt(rez::kRootOffsetPos, words, sizeof words) == sizeof words) {
        rootOffset = rez::ReadU32(words);
        rootLength = rez::ReadU32(words + 4);
    } else {
        in.Report(ReadState::Got::Short, rez::kRootOffsetPos);
    }
    root = std::make_unique<CREZDir>(rootOffset, rootLength, 0, "ROOT");
    if (rootLength > 0) {
        in.descent.push_back(rootOffset);
        LoadREZ_LoadDirectory(root.get(), in);
    }
    nodesTotal = root->GetNodesCount();
    return true;
}

void CREZ::LoadREZ_LoadDirectory(CREZDir* dir, ReadState& in)
{
    using Got = ReadState::Got;
    if (in.stopped)
        return;
    in.StartBlock(dir->offset, dir->length);
    while (in.position < in.blockEnd) {
        const uint64_t elementAt = in.position;
        uint8_t head[kElementHeadSize];
        Got got = in.Take(head, 4);
        if (got != Got::Ok) {
            in.Report(got, elementAt);
            break;
        }
        const uint32_t id = rez::ReadU32(head);
        if (id == rez::kDirElementId) {
            got = in.Take(head + 4, rez::kDirElementFixedSize - 4);
            std::string name;
            if (got == Got::Ok)
                got = in.TakeName(name, false);
            if (got != Got::Ok) {
                in.Report(got, elementAt);
                break;
            }
            dir->AddDir(rez::ReadU32(head + 4), rez::ReadU32(head + 8), rez::ReadU32(head + 12),
                        std::move(name));
        } else if (id == rez::kFileElementId) {
            got = in.Take(head + 4, rez::kFileElementFixedSize - 4);
            std::string name;
            if (got == Got::Ok)
                got = in.TakeName(name, true);
            if (got != Got::Ok) {
                in.Report(got, elementAt);
                break;
            }
            const uint32_t offset = rez::ReadU32(head + 4);
            const uint32_t length = rez::ReadU32(head + 8);
            const uint32_t extra = rez::ReadU32(head + 12);
            std::string extension = rez::ExtensionFromTypeField(head + 20);
            FileBytes contents;
            if (dataLoaded) {
                // Checked before anything is allocated, so no allocation is
                // ever larger than the archive.
                if (length > 0 && uint64_t{offset} + length > in.size) {
                    ReportPassedOverFile("File contents lie outside REZ file", name, extension,
                                         offset, length);
                    continue;
                }
                contents = in.Contents(offset, length);
                if (!contents) {
                    ReportPassedOverFile("Error when reading file contents from REZ file", name,
                                         extension, offset, length);
                    continue;
                }
            }
            CREZFile* file = dir->AddFile(offset, length, extra, std::move(extension), std::move(name));
            if (file)
                file->data = std::move(contents);
        } else {
            printf("Wrong element ID ( expected 0 or 1 ), canceling reading of the current directory.\n"
                   "Value read: %" PRId32 "   Offset: %" PRIu64 "\n\n",
                   static_cast<int32_t>(id), elementAt);
            break;
        }
    }

    // Subdirectories only after the whole block, so no read position needs
    // saving around them. Empty blocks hold nothing to read.
    for (const auto& sub : dir->dirs) {
        if (in.stopped)
            return;
        if (sub->length == 0)
            continue;
        if (std::find(in.descent.begin(), in.descent.end(), sub->offset) != in.descent.end()) {
            printf("Directory block is already being read, passing over the directory:\n"
                   "  %s   Offset: %" PRIu32 "\n\n", sub->name.c_str(), sub->offset);
            continue;
        }
        if (in.descent.size() > rez::kMaxNesting) {
            printf("Directories are nested too deeply, passing over the directory:\n"
                   "  %s   Offset: %" PRIu32 "\n\n", sub->name.c_str(), sub->offset);
            continue;
        }
        in.descent.push_back(sub->offset);
        LoadREZ_LoadDirectory(sub.get(), in);
        in.descent.pop_back();
    }
}
