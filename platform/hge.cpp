// The folder listing interface: each wildcard call lists the folder whole,
// sorts the names, then hands them out one by one.
#include "hge.h"

#include <algorithm>

#include "FolderListing.h"

namespace {

// Byte order, whatever the locale, so a folder packs into the same archive
// on every machine and file system.
bool ByBytes(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
}

}  // namespace

const char* HGE::Resource_EnumFolders(const char* wildcard)
{
    if (wildcard)
        Start(wildcard, EntryKind::Folder);
    return Next();
}

const char* HGE::Resource_EnumFiles(const char* wildcard)
{
    if (wildcard)
        Start(wildcard, EntryKind::File);
    return Next();
}

void HGE::Release()
{
    delete this;
}

void HGE::Start(const char* wildcard, EntryKind kind)
{
    listing_.clear();
    next_ = 0;
    ListFolderEntries(wildcard, kind, &listing_);
    std::sort(listing_.begin(), listing_.end(), ByBytes);
}

const char* HGE::Next()
{
    if (next_ >= listing_.size())
        return nullptr;
    return listing_[next_++].c_str();
}

HGE* hgeCreate(int version)
{
    if (version != HGE_VERSION)
        return nullptr;
    return new HGE();
}
