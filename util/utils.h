// Creating a folder together with its missing parents, reporting failures.
#pragma once

#include <string>

// Result codes of the folder creation.
enum : int {
    kFolderExists = 0,       // created now, or something of that name was there
    kFolderInvalidName = 1,  // the system rejected the name
    kFolderNotHandled = 2,   // any other failure
};

// Creates the folder and its missing parents; prints the message for a code
// other than 0. Callers take 0 to mean the folder exists now.
int CreateFolder(std::string path);
// Does the work of CreateFolder; prints only the message for an error that
// is not handled.
int CreateFolder_Wrapper(std::string path);

// The folder above a path: up to and including the last separator, one
// trailing separator passed over; empty when no separator is left.
std::string ParentFolderOf(const std::string& path);
