// Fuzz target for the REZ reader: any bytes, taken as an archive, are loaded
// view-only and with contents and listed; what loads with contents is saved,
// loaded again, must come back as the same tree, and saves to the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "archive/CREZ.h"

namespace {

std::string g_folder;

void RemoveFolder()
{
    for (const char* name : {"in.rez", "one.rez", "two.rez"})
        unlink((g_folder + name).c_str());
    rmdir(g_folder.c_str());
}

const std::string& Folder()
{
    if (g_folder.empty()) {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/rez-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0]))
            abort();
        g_folder = pattern + "/";
        atexit(RemoveFolder);
    }
    return g_folder;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz check failed: %s\n", what);
        abort();
    }
}

// Names, extensions, extra values, lengths, contents and order, at every depth.
bool SameTree(const CREZDir& a, const CREZDir& b)
{
    if (a.name != b.name || a.extra != b.extra || a.files.size() != b.files.size() ||
        a.dirs.size() != b.dirs.size())
        return false;
    for (size_t i = 0; i < a.files.size(); ++i) {
        const CREZFile& x = *a.files[i];
        const CREZFile& y = *b.files[i];
        if (x.name != y.name || x.extension != y.extension || x.extra != y.extra || x.length != y.length)
            return false;
        if (!x.data || !y.data || memcmp(x.data.get(), y.data.get(), x.length) != 0)
            return false;
    }
    for (size_t i = 0; i < a.dirs.size(); ++i)
        if (!SameTree(*a.dirs[i], *b.dirs[i]))
            return false;
    return true;
}

void CheckLoaded(const CREZ& rez, bool data)
{
    Check(rez.root != nullptr, "a load that opened holds a tree");
    Check(rez.dataLoaded == data, "dataLoaded follows the flag");
    Check(rez.nodesTotal == rez.root->GetNodesCount(), "nodesTotal counts the tree");
    Check(rez.nodesDone == 0 && rez.dotsPrinted == 0, "counters are 0 after a load");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string in = Folder() + "in.rez";
    const std::string one = Folder() + "one.rez";
    const std::string two = Folder() + "two.rez";
    {
        std::ofstream out(in, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    }

    CREZ view;
    Check(view.LoadREZ(in, false), "an existing file loads");
    CheckLoaded(view, false);
    view.root->List(0);

    CREZ full;
    Check(full.LoadREZ(in, true), "an existing file loads");
    CheckLoaded(full, true);
    full.root->List(0);

    Check(full.SaveREZ(one), "a tree with contents saves");
    CREZ again;
    Check(again.LoadREZ(one, true), "a saved archive loads");
    CheckLoaded(again, true);
    Check(SameTree(*full.root, *again.root), "a saved archive loads as the tree saved");
    Check(again.SaveREZ(two), "a reloaded tree saves");
    Check(ReadWhole(one) == ReadWhole(two), "saving the reloaded tree gives the same bytes");
    return 0;
}
