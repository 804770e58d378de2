// Writing the archive tree as a REZ file, with the progress bar.
#include <cassert>
#include <cinttypes>
#include <iterator>
#include <cstring>
#include <vector>

#include "CREZ.h"
#include "REZFormat.h"
#include "platform/Files.h"

namespace {

// The size of the archive that a directory's contents (its files' bytes, the
// blocks below it, its own block) take, in 64 bits so that no tree can wrap.
uint64_t ContentsSize(const CREZDir& dir)
{
    uint64_t size = 0;
    for (const auto& file : dir.files)
        size += uint64_t{file->length} + rez::kFileElementFixedSize + file->name.size() +
                rez::kFileNameEndSize;
    for (const auto& sub : dir.dirs)
        size += ContentsSize(*sub) + rez::kDirElementFixedSize + sub->name.size() + rez::kDirNameEndSize;
    return size;
}

// The places a save changes, kept so that a failed save can put them back
// and the tree still describes the file it was read from.
void SavePlaces(const CREZDir& dir, std::vector<uint32_t>& places)
{
    places.push_back(dir.offset);
    places.push_back(dir.length);
    for (const auto& file : dir.files)
        places.push_back(file->offset);
    for (const auto& sub : dir.dirs)
        SavePlaces(*sub, places);
}

void RestorePlaces(CREZDir& dir, const std::vector<uint32_t>& places, size_t& next)
{
    dir.offset = places[next++];
    dir.length = places[next++];
    for (const auto& file : dir.files)
        file->offset = places[next++];
    for (const auto& sub : dir.dirs)
        RestorePlaces(*sub, places, next);
}

void PutU32(std::vector<uint8_t>& block, uint32_t value)
{
    uint8_t word[4];
    rez::WriteU32(word, value);
    block.insert(block.end(), word, word + 4);
}

}  // namespace

// The open output and the buffer in which each directory block is assembled.
struct CREZ::WriteState {
    explicit WriteState(OutputFile& out) : out(out) {}
    OutputFile& out;
    std::vector<OutputFile::Piece> pieces;
    std::vector<uint8_t> block;

    // Offsets are final as they are taken: the whole layout was checked to
    // fit in 32 bits before the first byte went out.
    uint32_t Position() const
    {
        assert(out.Position() <= rez::kMaxPosition);
        return static_cast<uint32_t>(out.Position());
    }
};

bool CREZ::SaveREZ(std::string path)
{
    if (!root) {
        printf("Trying to save REZ file. There's no data structure loaded up in the memory!\n\n");
        return false;
    }
    if (!dataLoaded) {
        printf("Error! Trying to save REZ file that is in view-only mode! No actual data is loaded.\n\n");
        return false;
    }
    const uint64_t archiveSize = rez::kHeaderSize + ContentsSize(*root);
    if (archiveSize > rez::kMaxPosition) {
        printf("Error! Trying to save REZ file larger than 4294967295 bytes (%" PRIu64 " bytes):\n  %s\n\n",
               archiveSize, path.c_str());
        return false;
    }
    // Written beside the target and renamed over it when whole, so that a
    // failed save leaves no partial archive and an earlier file as it was.
    // A folder, or a file that may not be written, is refused here.
    OutputFile out;
    if (!out.CreateBeside(path)) {
        printf("Error when trying to open REZ file for writing:\n  %s\n\n", path.c_str());
        return false;
    }
    std::vector<uint32_t> places;
    SavePlaces(*root, places);

    uint8_t header[rez::kHeaderSize];
    memcpy(header, rez::kHeaderText, rez::kHeaderTextSize);
    for (size_t i = 0; i < std::size(rez::kHeaderWords); ++i)
        rez::WriteU32(header + rez::kHeaderTextSize + 4 * i, rez::kHeaderWords[i]);
    header[rez::kHeaderSize - 1] = 0;
    out.Write(header, sizeof header);

    ProgressStart();
    WriteState state(out);
    SaveREZ_WriteDirectory(root.get(), state);
    ProgressEnd();

    uint8_t words[8];
    rez::WriteU32(words, root->offset);
    rez::WriteU32(words + 4, root->length);
    out.WriteAt(rez::kRootOffsetPos, words, sizeof words);

    if (out.Failed() || !out.Commit()) {
        size_t next = 0;
        RestorePlaces(*root, places, next);
        printf("Error when trying to write REZ file:\n  %s\n\n", path.c_str());
        return false;
    }
    return true;
}

void CREZ::SaveREZ_WriteDirectory(CREZDir* dir, WriteState& state)
{
    OutputFile& out = state.out;
    // The files' bytes straight from the nodes, which may be mappings: never
    // copied, and gathered so that a folder of small files costs one call.
    std::vector<OutputFile::Piece>& pieces = state.pieces;
    pieces.clear();
    uint32_t position = state.Position();
    for (const auto& file : dir->files) {
        file->offset = position;
        position += file->length;  // the layout was checked to fit in 32 bits
        pieces.push_back({file->data.get(), file->length});
    }
    if (!out.WriteGather(pieces.data(), pieces.size()))
        return;
    nodesDone += static_cast<uint32_t>(dir->files.size());
    ProgressAdvance();

    for (const auto& sub : dir->dirs) {
        if (out.Failed())
            return;
        SaveREZ_WriteDirectory(sub.get(), state);
        ++nodesDone;
    }
    ProgressAdvance();
    if (out.Failed())
        return;

    dir->offset = state.Position();
    std::vector<uint8_t>& block = state.block;
    block.clear();
    for (const auto& file : dir->files) {
        PutU32(block, rez::kFileElementId);
        PutU32(block, file->offset);
        PutU32(block, file->length);
        PutU32(block, file->extra);
        PutU32(block, rez::kFileTag);
        uint8_t type[rez::kTypeFieldSize];
        rez::WriteTypeField(type, file->extension);
        block.insert(block.end(), type, type + rez::kTypeFieldSize);
        PutU32(block, 0);
        block.insert(block.end(), file->name.begin(), file->name.end());
        block.insert(block.end(), rez::kFileNameEndSize, 0);
    }
    for (const auto& sub : dir->dirs) {
        PutU32(block, rez::kDirElementId);
        PutU32(block, sub->offset);
        PutU32(block, sub->length);
        PutU32(block, sub->extra);
        block.insert(block.end(), sub->name.begin(), sub->name.end());
        block.insert(block.end(), rez::kDirNameEndSize, 0);
    }
    if (!block.empty())
        out.Write(block.data(), block.size());
    dir->length = state.Position() - dir->offset;
}
