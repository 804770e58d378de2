// Folder listings over opendir/readdir, with the wildcard's last component
// matched the way a Windows file search matches it ("*" and "?", a leading
// dot not special).
#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// "*" matches any run of bytes, "?" exactly one. Iterative, with one point to
// come back to, so a pattern of many stars costs no deep recursion.
bool Matches(const char* pattern, const char* name)
{
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

class DirHandle {
public:
    explicit DirHandle(const std::string& path) : dir_(opendir(path.c_str())) {}
    ~DirHandle()
    {
        if (dir_)
            closedir(dir_);
    }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};

// The kind of an entry, following links; false for anything else (FIFOs,
// sockets, devices, dangling links).
bool KindOf(int dirFd, const dirent* entry, EntryKind* kind)
{
#ifdef DT_DIR
    // Most file systems tell the type in the entry: no stat needed then.
    if (entry->d_type == DT_DIR) {
        *kind = EntryKind::Folder;
        return true;
    }
    if (entry->d_type == DT_REG) {
        *kind = EntryKind::File;
        return true;
    }
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
#endif
    struct stat info;
    if (fstatat(dirFd, entry->d_name, &info, 0) != 0)
        return false;
    if (S_ISDIR(info.st_mode)) {
        *kind = EntryKind::Folder;
        return true;
    }
    if (S_ISREG(info.st_mode)) {
        *kind = EntryKind::File;
        return true;
    }
    return false;
}

}  // namespace

void ListFolderEntries(const std::string& wildcard, EntryKind kind,
                       std::vector<std::string>* names)
{
    // A wildcard without a folder part stands for the current folder.
    const size_t slash = wildcard.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : wildcard.substr(0, slash + 1);
    const std::string pattern = slash == std::string::npos ? wildcard : wildcard.substr(slash + 1);

    DirHandle dir(folder);
    if (!dir.get())
        return;
    const int dirFd = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!Matches(pattern.c_str(), name))
            continue;
        EntryKind found;
        if (KindOf(dirFd, entry, &found) && found == kind)
            names->emplace_back(name);
    }
}
