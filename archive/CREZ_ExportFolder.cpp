// The folder export: the archive tree written out as folders and files
// under a target folder.
#include <cstdio>

#include "CREZ.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "util/utils.h"

namespace {

// Names come from the archive: one that could reach outside its folder, or
// that names no entry of its own, is never joined to a path.
bool IsSafeName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    if (name.find_first_of("/\\") != std::string::npos)
        return false;
#ifdef _WIN32
    if (name.find(':') != std::string::npos)
        return false;
    // The system drops trailing dots and blanks, so ". ." or ".. " would
    // name the folder itself or its parent.
    if (name.find_first_not_of(". ") == std::string::npos)
        return false;
#endif
    return true;
}

void ReportWriteProblem(bool bad, bool eof, bool fail, const std::string& path)
{
    printf("Problems when writing file: %d %d %d\n  %s\n\n", bad ? 1 : 0, eof ? 1 : 0,
           fail ? 1 : 0, path.c_str());
}

}  // namespace

bool CREZ::SaveDirectory(std::string path)
{
    if (!root) {
        puts("Trying to save the directory file. There's no data structure loaded up in the memory!\n");
        return false;
    }
    if (!dataLoaded) {
        puts("Trying to save directory. The REZ file is not loaded in memory - it's in view-only mode.\n");
        return false;
    }
    if (CreateFolder(path) != 0)
        return false;
    ProgressStart();
    SaveDirectory_ListFolder(root.get(), path);
    ProgressEnd();
    return true;
}

void CREZ::SaveDirectory_ListFolder(CREZDir* dir, std::string path)
{
    for (const auto& node : dir->files) {
        const std::string fileName = node->FullName();
        if (!IsSafeName(fileName)) {
            printf("Skipping a file whose name is not safe to write:\n  %s%s\n\n", path.c_str(),
                   fileName.c_str());
            ++nodesDone;
            continue;
        }
        const std::string filePath = path + fileName;
        OutputFile out;
        if (!out.Create(filePath)) {
            ReportWriteProblem(false, false, true, filePath);
        } else {
            // One write straight from the held bytes: they may be a mapping
            // of the archive and are never copied here.
            bool written = node->length == 0 || out.Write(node->data.get(), node->length);
            written = out.Close() && written;
            // A failed write leaves a stream bad and failed, not at its end.
            if (!written)
                ReportWriteProblem(true, false, true, filePath);
        }
        ++nodesDone;
    }
    ProgressAdvance();

    for (const auto& sub : dir->dirs) {
        if (!IsSafeName(sub->name)) {
            printf("Skipping a directory whose name is not safe to write:\n  %s%s\n\n", path.c_str(),
                   sub->name.c_str());
            ++nodesDone;
            continue;
        }
        const std::string folderPath = path + sub->name + kPathSeparator;
        if (CreateFolder(folderPath) != 0) {
            printf("Failed at creating a directory: \n  %s\n\n", folderPath.c_str());
            break;
        }
        SaveDirectory_ListFolder(sub.get(), folderPath);
        ++nodesDone;
    }
    ProgressAdvance();
}
