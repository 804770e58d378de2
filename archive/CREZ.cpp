// The archive tree: adding nodes, dropping the tree, listing and counting.
#include "CREZ.h"

#include <utility>

namespace {

// Name and extension joined by a byte that a stored name cannot hold (names
// end at a zero byte in a REZ file), so distinct pairs never share a key.
std::string FileKey(const std::string& name, const std::string& extension)
{
    std::string key;
    key.reserve(name.size() + 1 + extension.size());
    key += name;
    key += '\0';
    key += extension;
    return key;
}

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
    std::string key = FileKey(name, extension);
    auto found = filesByKey_.find(key);
    if (found != filesByKey_.end()) {
        const CREZFile* existing = found->second;
        printf("Trying to add file to CREZDir instance. It already has a file with the same name: %s*%s\n\n",
               existing->name.c_str(), existing->extension.c_str());
        return nullptr;
    }
    files.push_back(std::make_unique<CREZFile>(offset, length, extra,
                                               std::move(extension), std::move(name)));
    CREZFile* file = files.back().get();
    filesByKey_.emplace(std::move(key), file);
    return file;
}

CREZDir* CREZDir::AddDir(unsigned offset, unsigned length, unsigned extra, std::string name)
{
    auto found = dirsByName_.find(name);
    if (found != dirsByName_.end()) {
        printf("Trying to add directory to CREZDir instance. It already has a directory with the same name: %s\n\n",
               found->second->name.c_str());
        return nullptr;
    }
    dirs.push_back(std::make_unique<CREZDir>(offset, length, extra, name));
    CREZDir* dir = dirs.back().get();
    dirsByName_.emplace(std::move(name), dir);
    return dir;
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
