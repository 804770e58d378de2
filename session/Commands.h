// The handlers of the commands that load and save archives.
#pragma once

#include <string>

class CREZ;

// "-dr": packs the folder into a REZ file.
void PackFolder(CREZ& rez, const std::string& folderPath, const std::string& rezPath);
// "-rd": extracts the REZ file into the folder.
void ExtractArchive(CREZ& rez, const std::string& rezPath, const std::string& folderPath);
// "-lr": lists the REZ file.
void ListArchive(CREZ& rez, const std::string& rezPath);
