// Folder creation: one attempt per level, missing parents made from the
// outermost inwards through CreateFolder, so each level reports its failure.
#include "utils.h"

#include <cstdio>

#include "platform/Folders.h"

namespace {

int NotHandled(int systemCode, const std::string& path)
{
    printf("CreateFolder Error code is not handled!!! Error code: %d  Path:\n%s\n\n",
           systemCode, path.c_str());
    return kFolderNotHandled;
}

int ReportFolderCode(const std::string& path, int code)
{
    if (code == kFolderInvalidName)
        printf("Trying to create a directory with an invalid name:\n  %s\n\n", path.c_str());
    else if (code == kFolderNotHandled)
        puts("Unknown error code. Please, contact me and I'll implement it. Thanks for feedback!\n");
    return code;
}

// One level. A missing parent is made only on the first attempt: when the
// parent exists and the system still says it is missing, or when there is no
// parent left to make, the recursion would never end, so that counts as an
// error that is not handled.
int CreateLevel(const std::string& path, bool parentMade)
{
    int systemCode = 0;
    switch (MakeFolder(path, &systemCode)) {
    case MakeFolderResult::Created:
    case MakeFolderResult::AlreadyExists:
        return kFolderExists;
    case MakeFolderResult::InvalidName:
        return kFolderInvalidName;
    case MakeFolderResult::NotHandled:
        return NotHandled(systemCode, path);
    case MakeFolderResult::ParentMissing:
        break;
    }
    const std::string parent = ParentFolderOf(path);
    if (parentMade || parent.empty())
        return NotHandled(systemCode, path);
    const int parentCode = CreateFolder(parent);
    if (parentCode != kFolderExists)
        return parentCode;
    // The second attempt reports its own failure, as a call of CreateFolder.
    return ReportFolderCode(path, CreateLevel(path, true));
}

}  // namespace

std::string ParentFolderOf(const std::string& path)
{
    if (path.empty())
        return std::string();
    size_t i = path.size() - 1;
    if (IsPathSeparator(path[i])) {
        if (i == 0)
            return std::string();
        --i;
    }
    for (;;) {
        if (IsPathSeparator(path[i]))
            return path.substr(0, i + 1);
        if (i == 0)
            return std::string();
        --i;
    }
}

int CreateFolder_Wrapper(std::string path)
{
    return CreateLevel(path, false);
}

int CreateFolder(std::string path)
{
    return ReportFolderCode(path, CreateFolder_Wrapper(path));
}
