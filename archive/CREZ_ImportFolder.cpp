// The folder import: a folder tree on disk read into the archive tree,
// through the folder listings of the HGE interface.
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "CHGE_Wrapper.h"
#include "CREZ.h"
#include "platform/Files.h"
#include "platform/Folders.h"

namespace {

// Below this size a file is read into a shared block of contents; from it up
// it is mapped, which needs no fresh pages and no copy at all. Mapping costs
// a few system calls per file, so small files are cheaper copied.
constexpr uint64_t kMapFrom = 1024 * 1024;
// Small files' contents are packed into blocks of this size, whose pages are
// made present in one go (in huge pages where the system has them) instead
// of one fault at a time. Anything larger than a quarter block gets its own.
constexpr size_t kContentBlockSize = 16 * 1024 * 1024;
constexpr size_t kOwnContentsFrom = kContentBlockSize / 4;
// Mappings are a limited resource of the process (Linux allows about 65000):
// beyond this many, files are read into the heap instead.
constexpr size_t kMaxMappings = 30000;

const char* EnumFolders(const char* wildcard)
{
    HGE* hge = CHGE_Wrapper::GetHGE();
    return hge ? hge->Resource_EnumFolders(wildcard) : nullptr;
}

const char* EnumFiles(const char* wildcard)
{
    HGE* hge = CHGE_Wrapper::GetHGE();
    return hge ? hge->Resource_EnumFiles(wildcard) : nullptr;
}

// The folder that a folder path lists: the path itself when it ends with a
// separator; for a bare prefix, the folder holding it.
std::string ListedFolder(const std::string& folderPath)
{
    for (size_t i = folderPath.size(); i > 0; --i)
        if (IsPathSeparator(folderPath[i - 1]))
            return folderPath.substr(0, i);
    return ".";
}

bool OnPath(const std::vector<FolderId>& descent, const FolderId& id)
{
    for (const FolderId& above : descent)
        if (above == id)
            return true;
    return false;
}

}  // namespace

struct CREZ::ImportState {
    bool withData = false;
    // The folders from the top down to the one being listed, so that a link
    // back to one of them is not followed.
    std::vector<FolderId> descent;
    size_t mappings = 0;

    // Room for n bytes of contents; holder keeps them alive. Small files
    // share a block, large ones (when not mapped) get memory of their own.
    uint8_t* TakeContents(size_t n, FileBytes* holder)
    {
        if (n >= kOwnContentsFrom) {
            std::shared_ptr<uint8_t> own = AllocateContents(n);
            *holder = own;
            return own.get();
        }
        if (!block || blockUsed + n > kContentBlockSize) {
            block = AllocateContents(kContentBlockSize);
            blockUsed = 0;
            if (!block)
                return nullptr;
        }
        uint8_t* room = block.get() + blockUsed;
        blockUsed += n;
        *holder = FileBytes(block, room);
        return room;
    }
    std::shared_ptr<uint8_t> block;
    size_t blockUsed = 0;
};

bool CREZ::LoadDirectory(std::string path, bool data)
{
    const std::string wildcard = path + "*";
    if (!EnumFolders(wildcard.c_str()) && !EnumFiles(wildcard.c_str())) {
        printf("Either a specified directory is empty, or it doesn't exist:\n  %s\n\n", path.c_str());
        return false;
    }

    // The new tree is built aside and installed only when whole, so a failed
    // import leaves the tree held before as it was.
    auto newRoot = std::make_unique<CREZDir>(0, 0, 0, "ROOT");
    ImportState state;
    state.withData = data;
    if (!LoadDirectory_ListFolder(path, std::string(), newRoot.get(), state))
        return false;

    Free();
    dataLoaded = data;
    root = std::move(newRoot);
    nodesTotal = root->GetNodesCount();
    return true;
}

bool CREZ::LoadDirectory_ListFolder(const std::string& basePath, const std::string& folderName,
                                    CREZDir* dir, ImportState& state)
{
    const std::string folderPath =
        folderName.empty() ? basePath : basePath + folderName + kPathSeparator;
    const std::string wildcard = folderPath + "*";

    FolderId self;
    const bool known = GetFolderId(ListedFolder(folderPath), &self);
    if (known)
        state.descent.push_back(self);

    std::vector<std::string> subFolders;
    for (const char* name = EnumFolders(wildcard.c_str()); name; name = EnumFolders(nullptr))
        subFolders.emplace_back(name);

    for (const std::string& name : subFolders) {
        FolderId id;
        if (GetFolderId(folderPath + name + kPathSeparator, &id) && OnPath(state.descent, id)) {
            printf("Skipping a directory that leads back to a directory above it:\n  %s\n\n",
                   (folderPath + name).c_str());
            continue;
        }
        CREZDir* sub = dir->AddDir(0, 0, 0, name);
        if (sub && !LoadDirectory_ListFolder(folderPath, name, sub, state))
            return false;
    }

    for (const char* listed = EnumFiles(wildcard.c_str()); listed; listed = EnumFiles(nullptr)) {
        const std::string fullName = listed;
        const size_t dot = fullName.rfind('.');
        std::string name = dot == std::string::npos ? fullName : fullName.substr(0, dot);
        std::string extension = dot == std::string::npos ? std::string() : fullName.substr(dot + 1);
        const std::string filePath = folderPath + fullName;

        InputFile file;
        if (!file.Open(filePath)) {
            printf("Error when trying to read a file:\n  %s\n\n", filePath.c_str());
            return false;
        }
        const uint64_t size = file.Size();
        if (size > UINT32_MAX) {
            printf("A file of 4 GiB or more cannot be stored in a REZ package:\n  %s\n\n",
                   filePath.c_str());
            return false;
        }
        const uint32_t length = static_cast<uint32_t>(size);

        FileBytes bytes;
        if (state.withData) {
            if (length >= kMapFrom && state.mappings < kMaxMappings) {
                bytes = file.MapWhole();
                if (bytes)
                    ++state.mappings;
            }
            if (!bytes) {
                uint8_t* buffer = state.TakeContents(length, &bytes);
                if (!buffer) {
                    printf("Not enough memory to read a file:\n  %s\n\n", filePath.c_str());
                    return false;
                }
                if (file.ReadAt(0, buffer, length) != length) {
                    printf("Error when reading a file, it gave fewer bytes than its size:\n  %s\n\n",
                           filePath.c_str());
                    return false;
                }
            }
        }
        file.Close();

        CREZFile* node = dir->AddFile(0, length, 0, std::move(extension), std::move(name));
        if (node)
            node->data = std::move(bytes);
    }

    if (known)
        state.descent.pop_back();
    return true;
}
