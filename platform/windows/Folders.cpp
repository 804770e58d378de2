// Creating a folder with CreateDirectoryA, and telling folders apart by
// volume serial number and file index.
#include "platform/Folders.h"

#include <windows.h>

MakeFolderResult MakeFolder(const std::string& path, int* systemCode)
{
    *systemCode = 0;
    if (CreateDirectoryA(path.c_str(), nullptr))
        return MakeFolderResult::Created;
    const DWORD error = GetLastError();
    *systemCode = static_cast<int>(error);
    switch (error) {
    case ERROR_ALREADY_EXISTS:
        return MakeFolderResult::AlreadyExists;
    case ERROR_PATH_NOT_FOUND:
        return MakeFolderResult::ParentMissing;
    case ERROR_INVALID_NAME:
        return MakeFolderResult::InvalidName;
    default:
        return MakeFolderResult::NotHandled;
    }
}

bool GetFolderId(const std::string& path, FolderId* id)
{
    // Opening a folder needs the backup semantics flag; no access rights are
    // asked for, only its identity.
    HANDLE folder = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(folder, &info) != 0 &&
                    (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(folder);
    if (!ok)
        return false;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}
