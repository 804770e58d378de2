// The folder listing the import works through: an interface made by
// hgeCreate, listing the sub-folders or the files matching a wildcard.
#pragma once

#include <string>
#include <vector>

#include "FolderListing.h"

constexpr int HGE_VERSION = 0x180;

class HGE {
public:
    // A wildcard starts a new listing and returns its first name; null
    // continues the current one. Null comes back when nothing is left or the
    // folder cannot be listed. Names are bare, never "." or "..", sorted by
    // bytes, and valid until the next call.
    const char* Resource_EnumFolders(const char* wildcard = nullptr);
    const char* Resource_EnumFiles(const char* wildcard = nullptr);
    // Destroys the interface.
    void Release();

private:
    friend HGE* hgeCreate(int version);
    HGE() = default;
    ~HGE() = default;
    // Lists the folder of the wildcard whole and sorts it by bytes.
    void Start(const char* wildcard, EntryKind kind);
    const char* Next();

    std::vector<std::string> listing_;
    size_t next_ = 0;
};

// Returns the interface, or null when the version is not supported.
HGE* hgeCreate(int version);
