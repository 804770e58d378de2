// One folder's entries of one kind, as the folder listing interface needs
// them; each platform lists in its own file.
#pragma once

#include <string>
#include <vector>

enum class EntryKind {
    Folder,  // folders, and links to folders
    File,    // regular files, and links to them
};

// Appends to names the bare names of the entries of the given kind that match
// the wildcard: a folder path followed by a pattern in which "*" stands for
// any run of bytes and "?" for one byte. "." and ".." never come back; on
// POSIX systems FIFOs, sockets, devices and dangling links never do either.
// The order is the system's own. A folder that cannot be listed adds nothing.
void ListFolderEntries(const std::string& wildcard, EntryKind kind,
                       std::vector<std::string>* names);
