// The handlers of the commands that load and save archives. Each prints what
// it is about to do, calls the archive's operations (which report their own
// failures) and prints one closing line.
#include "Commands.h"

#include <cstdio>

#include "archive/CREZ.h"

void PackFolder(CREZ& rez, const std::string& folderPath, const std::string& rezPath)
{
    printf("Loading a directory %s ...\n\n", folderPath.c_str());
    if (!rez.LoadDirectory(folderPath, true)) {
        puts("Program has failed.\n");
        return;
    }
    printf("Saving the REZ file to %s ...\n\n", rezPath.c_str());
    if (rez.SaveREZ(rezPath))
        puts("Program has successfully packed the directory!\n");
    else
        puts("Program has failed.\n");
}

void ExtractArchive(CREZ& rez, const std::string& rezPath, const std::string& folderPath)
{
    printf("Loading a REZ package %s ...\n\n", rezPath.c_str());
    if (!rez.LoadREZ(rezPath, true)) {
        puts("Program has failed.\n");
        return;
    }
    printf("Exporting the contents to %s ...\n\n", folderPath.c_str());
    if (rez.SaveDirectory(folderPath))
        puts("Program has successfully exported REZ file!\n");
    else
        puts("Program has failed.\n");
}

void ListArchive(CREZ& rez, const std::string& rezPath)
{
    printf("Loading a REZ file: %s\n\n", rezPath.c_str());
    bool loaded = rez.LoadREZ(rezPath, false);
    printf("Listing a REZ file: %s\n\n", rezPath.c_str());
    if (loaded)
        rez.root->List(0);
    puts("\n\nListing completed.\n");
}
