// Test helpers: capturing standard output, scratch folders, whole-file reads and writes.
#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

std::string CaptureStdout(const std::function<void()>& fn)
{
    fflush(stdout);
    FILE* capture = tmpfile();
    if (!capture)
        throw std::runtime_error("tmpfile failed");
    int saved = dup(fileno(stdout));
    dup2(fileno(capture), fileno(stdout));
    fn();
    fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    rewind(capture);
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, capture)) > 0)
        text.append(buffer, got);
    fclose(capture);
#ifdef _WIN32
    // Standard output is in text mode on Windows: compare with plain line feeds.
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            plain += text[i];
    text.swap(plain);
#endif
    return text;
}

ScratchDir::ScratchDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("rez-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.string() + "/";
            return;
        }
    }
    throw std::runtime_error("cannot make a scratch folder");
}

ScratchDir::~ScratchDir()
{
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

std::string ScratchDir::Path(const std::string& name) const { return path_ + name; }

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
