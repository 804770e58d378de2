// Creating a folder with mkdir, and telling folders apart by device and inode.
#include "platform/Folders.h"

#include <cerrno>
#include <sys/stat.h>

MakeFolderResult MakeFolder(const std::string& path, int* systemCode)
{
    *systemCode = 0;
    if (mkdir(path.c_str(), 0777) == 0)
        return MakeFolderResult::Created;
    *systemCode = errno;
    switch (errno) {
    case EEXIST:
        return MakeFolderResult::AlreadyExists;
    case ENOENT:
        return MakeFolderResult::ParentMissing;
    case ENAMETOOLONG:
    case EINVAL:
        return MakeFolderResult::InvalidName;
    default:
        return MakeFolderResult::NotHandled;
    }
}

bool GetFolderId(const std::string& path, FolderId* id)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    id->volume = static_cast<uint64_t>(info.st_dev);
    id->index = static_cast<uint64_t>(info.st_ino);
    return true;
}
