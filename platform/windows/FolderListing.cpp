// Folder listings over the system's own file search.
#include "platform/FolderListing.h"

#include <windows.h>

void ListFolderEntries(const std::string& wildcard, EntryKind kind,
                       std::vector<std::string>* names)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(wildcard.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const char* name = found.cFileName;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        // A link to a folder carries the folder attribute as well.
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == (kind == EntryKind::Folder))
            names->emplace_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
