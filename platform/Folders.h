// Folders as the system sees them: creating one, telling folders apart, and
// the separator the program puts between the levels of a path.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Both kinds count when a path is taken apart on Windows; elsewhere only '/'.
inline bool IsPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

enum class MakeFolderResult {
    Created,
    AlreadyExists,   // something of that name exists, folder or not
    ParentMissing,
    InvalidName,
    NotHandled,      // any other reason; systemCode tells which
};

// One attempt to create one folder (no parents).
MakeFolderResult MakeFolder(const std::string& path, int* systemCode);

// Identifies a folder on its volume, so that a link leading back to a folder
// above can be recognised. False when the folder cannot be examined.
struct FolderId {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FolderId& o) const { return volume == o.volume && index == o.index; }
};
bool GetFolderId(const std::string& path, FolderId* id);
