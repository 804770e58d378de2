// The archive held in memory: a tree of directories and files with their
// places and sizes in a REZ file, and each file's contents when loaded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "NameIndex.h"

// A file's contents. The bytes are either a heap array of their own or a
// view into a read-only mapping shared by several files; whichever it is,
// the holder keeps it alive and it is released with the node.
using FileBytes = std::shared_ptr<const uint8_t>;

class CREZFile {
public:
    CREZFile(unsigned offset, unsigned length, unsigned extra,
             std::string extension, std::string name);

    uint32_t offset;
    uint32_t length;
    uint32_t extra;
    FileBytes data;  // exactly `length` bytes, or null in view-only mode
    std::string extension;
    std::string name;

    // The name on disk: name, then "." and the extension when there is one.
    std::string FullName() const;
};

class CREZDir {
public:
    CREZDir(unsigned offset, unsigned length, unsigned extra, std::string name);

    // Appends a new node and returns it; returns null (with a message) when
    // the directory already holds an entry of that kind with the same name.
    CREZFile* AddFile(unsigned offset, unsigned length, unsigned extra,
                      std::string extension, std::string name);
    CREZDir* AddDir(unsigned offset, unsigned length, unsigned extra, std::string name);

    // Prints this directory and everything below it, indented by depth.
    void List(int depth) const;
    // The number of directories and files below this one.
    uint32_t GetNodesCount() const;

    size_t DirCount() const { return dirs.size(); }
    size_t FileCount() const { return files.size(); }
    CREZDir* GetDir(size_t i) const { return i < dirs.size() ? dirs[i].get() : nullptr; }
    CREZFile* GetFile(size_t i) const { return i < files.size() ? files[i].get() : nullptr; }

    uint32_t offset;
    uint32_t length;
    uint32_t extra;
    std::string name;
    std::vector<std::unique_ptr<CREZDir>> dirs;    // in the order added
    std::vector<std::unique_ptr<CREZFile>> files;  // in the order added

private:
    // Indexes by name so that the duplicate tests cost the same in a folder
    // of fifty thousand files as in one of five. Small directories are
    // scanned; their index is made when they grow past a few dozen entries.
    NameIndex<CREZDir> dirIndex_;
    NameIndex<CREZFile> fileIndex_;
};

class CREZ {
public:
    CREZ() = default;
    ~CREZ() { Free(); }
    CREZ(const CREZ&) = delete;
    CREZ& operator=(const CREZ&) = delete;

    // Drops the whole tree and returns to the empty state.
    void Free();

    // REZ files (CREZ_ReadREZ.cpp, CREZ_WriteREZ.cpp).
    bool LoadREZ(std::string path, bool data);
    bool SaveREZ(std::string path);

    // Folder trees on disk (CREZ_ImportFolder.cpp, CREZ_ExportFolder.cpp).
    bool LoadDirectory(std::string path, bool data);
    bool SaveDirectory(std::string path);

    std::unique_ptr<CREZDir> root;
    bool dataLoaded = false;
    uint32_t nodesTotal = 0;
    uint32_t nodesDone = 0;
    int32_t dotsPrinted = 0;

private:
    // The recursive steps. Each takes the state of its own operation (the
    // open archive, the folders on the descent path, ...), declared in the
    // source file of that operation.
    struct ReadState;
    struct WriteState;
    struct ImportState;
    void LoadREZ_LoadDirectory(CREZDir* dir, ReadState& in);
    void SaveREZ_WriteDirectory(CREZDir* dir, WriteState& out);
    bool LoadDirectory_ListFolder(const std::string& basePath, const std::string& folderName,
                                  CREZDir* dir, ImportState& state);
    void SaveDirectory_ListFolder(CREZDir* dir, std::string path);

    // The progress bar shared by both writes (CREZ_Progress.cpp).
    void ProgressStart();
    void ProgressAdvance();
    void ProgressEnd();
};
