// Helpers shared by the unit tests: capturing what the code prints, and
// scratch folders that remove themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Runs fn and returns everything it wrote to standard output.
std::string CaptureStdout(const std::function<void()>& fn);

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // The folder's path followed by name (name may hold '/').
    std::string Path(const std::string& name = "") const;

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
