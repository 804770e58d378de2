// The archive tree: adding nodes, dropping the tree, listing and counting.
#include "CREZ.h"

#include <functional>
#include <string_view>
#include <utility>

namespace {

// Below this many entries a directory is scanned; from it up it is indexed.
constexpr size_t kIndexFrom = 32;

size_t FileHash(const std::string& name, const std::string& extension)
{
    std::hash<std::string_view> hash;
    return hash(name) * 31 + hash(extension);
}

size_t DirHash(const std::string& name) { return std::hash<std::string_view>()(name); }

// The entry of list whose key matches, through the index once there is one.
template <class Node, class Same>
Node* FindEntry(const std::vector<std::unique_ptr<Node>>& list, const NameIndex<Node>& index,
                size_t hash, Same same)
{
    if (list.size() >= kIndexFrom)
        return index.Find(hash, same);
    for (const auto& node : list)
        if (same(node.get()))
            return node.get();
    return nullptr;
}

// Adds the newest entry of list to the index, making the index when the list
// first reaches its size.
template <class Node, class HashOf>
void IndexNewest(const std::vector<std::unique_ptr<Node>>& list, NameIndex<Node>& index, HashOf hashOf)
{
    if (list.size() == kIndexFrom) {
        for (const auto& node : list)
            index.Insert(hashOf(*node), node.get());
    } else if (list.size() > kIndexFrom) {
        index.Insert(hashOf(*list.back()), list.back().get());
    }
}

size_t HashOfFile(const CREZFile& file) { return FileHash(file.name, file.extension); }
size_t HashOfDir(const CREZDir& dir) { return DirHash(dir.name); }

void Indent(int levels)
{
    for (int i = 0; i < levels; ++i)
        printf("  ");
}

}  // namespace

CREZFile::CREZFile(unsigned offset, unsigned length, unsigned extra,
                   std::string extension, std::string name)
    : offset(offset), length(length), extra(extra),
      extension(std::move(extension)), name(std::move(name))
{
}

std::string CREZFile::FullName() const
{
    return extension.empty() ? name : name + "." + extension;
}

CREZDir::CREZDir(unsigned offset, unsigned length, unsigned extra, std::string name)
    : offset(offset), length(length), extra(extra), name(std::move(name))
{
}

CREZFile* CREZDir::AddFile(unsigned offset, unsigned length, unsigned extra,
                           std::string extension, std::string name)
{
    const CREZFile* existing =
        FindEntry(files, fileIndex_, FileHash(name, extension), [&](const CREZFile* file) {
            return file->name == name && file->extension == extension;
        });
    if (existing) {
        printf("Trying to add file to CREZDir instance. It already has a file with the same name: %s*%s\n\n",
               existing->name.c_str(), existing->extension.c_str());
        return nullptr;
    }
    files.push_back(std::make_unique<CREZFile>(offset, length, extra,
                                               std::move(extension), std::move(name)));
    IndexNewest(files, fileIndex_, HashOfFile);
    return files.back().get();
}

CREZDir* CREZDir::AddDir(unsigned offset, unsigned length, unsigned extra, std::string name)
{
    const CREZDir* existing = FindEntry(dirs, dirIndex_, DirHash(name),
                                        [&](const CREZDir* dir) { return dir->name == name; });
    if (existing) {
        printf("Trying to add directory to CREZDir instance. It already has a directory with the same name: %s\n\n",
               existing->name.c_str());
        return nullptr;
    }
    dirs.push_back(std::make_unique<CREZDir>(offset, length, extra, std::move(name)));
    IndexNewest(dirs, dirIndex_, HashOfDir);
    return dirs.back().get();
}

void CREZDir::List(int depth) const
{
    // Offsets and lengths are unsigned 32-bit: "%u" keeps archives above
    // 2 GiB from listing negative numbers.
    Indent(depth);
    printf("Directory: \"%s\" Offset: %u Length: %u\n", name.c_str(), offset, length);
    for (const auto& file : files) {
        Indent(depth + 1);
        printf("File: \"%s\" Offset: %u Length: %u\n", file->FullName().c_str(),
               file->offset, file->length);
    }
    for (const auto& dir : dirs)
        dir->List(depth + 1);
}

uint32_t CREZDir::GetNodesCount() const
{
    uint32_t count = static_cast<uint32_t>(dirs.size() + files.size());
    for (const auto& dir : dirs)
        count += dir->GetNodesCount();
    return count;
}

void CREZ::Free()
{
    root.reset();
    dataLoaded = false;
    dotsPrinted = 0;
    nodesDone = 0;
    nodesTotal = 0;
}
