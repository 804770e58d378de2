// The folder export: files and folders written under a target, prefix paths,
// the progress bar through failures, and names from an archive that must not
// be joined to a path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/CREZ.h"
#include "platform/Folders.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const std::string S(1, kPathSeparator);
const std::string kScale = "[0]=====[20]======[40]======[60]======[80]======[100]%\n";
const std::string kDots50(50, '.');

CREZFile* AddBytes(CREZDir* dir, const std::string& name, const std::string& extension,
                   const std::string& bytes)
{
    CREZFile* file = dir->AddFile(0, static_cast<unsigned>(bytes.size()), 0, extension, name);
    uint8_t* copy = new uint8_t[bytes.size()];
    memcpy(copy, bytes.data(), bytes.size());
    file->data = FileBytes(copy, std::default_delete<uint8_t[]>());
    return file;
}

void StartTree(CREZ& rez)
{
    rez.Free();
    rez.root = std::make_unique<CREZDir>(0, 0, 0, "ROOT");
    rez.dataLoaded = true;
}

// A.TXT, noext, zero.bin; SUB holding in.dat and the empty folder EMPTY.
void FillSample(CREZ& rez)
{
    StartTree(rez);
    AddBytes(rez.root.get(), "A", "TXT", "abc");
    AddBytes(rez.root.get(), "noext", "", "no extension");
    AddBytes(rez.root.get(), "zero", "bin", "");
    CREZDir* sub = rez.root->AddDir(0, 0, 0, "SUB");
    AddBytes(sub, "in", "dat", std::string("\0\r\n\x1a\xff", 5));
    sub->AddDir(0, 0, 0, "EMPTY");
    rez.nodesTotal = rez.root->GetNodesCount();
}

std::string Export(CREZ& rez, const std::string& path, bool expected = true)
{
    return CaptureStdout([&] { EXPECT_EQ(rez.SaveDirectory(path), expected); });
}

}  // namespace

TEST(Export, WritesEveryFileAndFolderWithTheWholeProgressBar)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("out/SUB"));                      // reused
    WriteFileBytes(dir.Path("out/A.TXT"), "an older and longer text");  // overwritten
    CREZ rez;
    FillSample(rez);
    EXPECT_EQ(Export(rez, dir.Path("out" + S)), kScale + kDots50 + "\n\n");
    EXPECT_EQ(ReadFileBytes(dir.Path("out/A.TXT")), "abc");
    EXPECT_EQ(ReadFileBytes(dir.Path("out/noext")), "no extension");
    EXPECT_TRUE(fs::is_regular_file(dir.Path("out/zero.bin")));
    EXPECT_EQ(fs::file_size(dir.Path("out/zero.bin")), 0u);
    EXPECT_EQ(ReadFileBytes(dir.Path("out/SUB/in.dat")), std::string("\0\r\n\x1a\xff", 5));
    EXPECT_TRUE(fs::is_empty(dir.Path("out/SUB/EMPTY")));
    EXPECT_FALSE(fs::exists(dir.Path("out/ROOT")));
    // Counters back to zero; the tree itself untouched.
    EXPECT_EQ(rez.nodesDone, 0u);
    EXPECT_EQ(rez.dotsPrinted, 0);
    EXPECT_EQ(rez.nodesTotal, 6u);
    EXPECT_TRUE(rez.dataLoaded);
    EXPECT_EQ(rez.root->GetFile(0)->length, 3u);
}

TEST(Export, TargetWithoutSeparatorIsAPrefix)
{
    ScratchDir dir;
    CREZ rez;
    FillSample(rez);
    Export(rez, dir.Path("out"));
    EXPECT_TRUE(fs::is_empty(dir.Path("out")));
    EXPECT_EQ(ReadFileBytes(dir.Path("outA.TXT")), "abc");
    EXPECT_EQ(ReadFileBytes(dir.Path("outSUB/in.dat")), std::string("\0\r\n\x1a\xff", 5));
}

TEST(Export, RefusesWithoutATreeWithContents)
{
    ScratchDir dir;
    CREZ rez;
    EXPECT_EQ(Export(rez, dir.Path("out/"), false),
              "Trying to save the directory file. There's no data structure loaded up in the memory!\n\n");
    FillSample(rez);
    rez.dataLoaded = false;
    EXPECT_EQ(Export(rez, dir.Path("out/"), false),
              "Trying to save directory. The REZ file is not loaded in memory - it's in view-only mode.\n\n");
    EXPECT_FALSE(fs::exists(dir.Path("out")));
}

TEST(Export, RootWithoutNodesMakesOnlyTheTarget)
{
    ScratchDir dir;
    CREZ rez;
    StartTree(rez);
    EXPECT_EQ(Export(rez, dir.Path("out/")), kScale + "\n\n");
    EXPECT_TRUE(fs::is_directory(dir.Path("out")));
}

TEST(Export, TargetThatCannotBeMadeStopsBeforeTheScale)
{
    ScratchDir dir;
    WriteFileBytes(dir.Path("file"), "");
    CREZ rez;
    FillSample(rez);
    std::string out = Export(rez, dir.Path("file/out/"), false);
    EXPECT_EQ(out.find(kScale), std::string::npos);
    EXPECT_NE(out.find("Unknown error code."), std::string::npos);
}

TEST(Export, FileThatCannotBeOpenedIsReportedAndCounted)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("out/d"));  // a folder where the file should go
    CREZ rez;
    StartTree(rez);
    AddBytes(rez.root.get(), "d", "", "ddd");
    AddBytes(rez.root.get(), "e", "txt", "eee");
    rez.nodesTotal = 2;
    EXPECT_EQ(Export(rez, dir.Path("out" + S)),
              kScale + "Problems when writing file: 0 0 1\n  " + dir.Path("out" + S + "d") + "\n\n" +
                  kDots50 + "\n\n");
    EXPECT_EQ(ReadFileBytes(dir.Path("out/e.txt")), "eee");
}

TEST(Export, FolderThatCannotBeMadeSkipsItsLaterSiblingsOnly)
{
    ScratchDir dir;
#ifdef _WIN32
    const std::string badName = "bad?name";
#else
    const std::string badName(300, 'n');
#endif
    CREZ rez;
    StartTree(rez);
    AddBytes(rez.root.get(), "a", "txt", "a");
    CREZDir* parent = rez.root->AddDir(0, 0, 0, "parent");
    AddBytes(parent->AddDir(0, 0, 0, badName), "in", "txt", "in");
    AddBytes(parent->AddDir(0, 0, 0, "later"), "l", "txt", "l");
    AddBytes(rez.root->AddDir(0, 0, 0, "next"), "n", "txt", "n");
    rez.nodesTotal = rez.root->GetNodesCount();
    ASSERT_EQ(rez.nodesTotal, 8u);

    const std::string badPath = dir.Path("out" + S + "parent" + S + badName + S);
    // a.txt: 1 of 8 (6 dots); parent: 2, not advanced; n.txt: 3 (18); next: 4 (25).
    EXPECT_EQ(Export(rez, dir.Path("out" + S)),
              kScale + std::string(6, '.') +
                  "Trying to create a directory with an invalid name:\n  " + badPath + "\n\n" +
                  "Failed at creating a directory: \n  " + badPath + "\n\n" +
                  std::string(25 - 6, '.') + "\n\n");
    EXPECT_FALSE(fs::exists(dir.Path("out/parent/later")));
    EXPECT_EQ(ReadFileBytes(dir.Path("out/next/n.txt")), "n");
}

#ifndef _WIN32
TEST(Export, FailedWriteIsReportedWithTheFlagsOfAFailedStream)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ScratchDir dir;
    fs::create_directories(dir.Path("out"));
    ASSERT_EQ(symlink("/dev/full", dir.Path("out/full").c_str()), 0);
    CREZ rez;
    StartTree(rez);
    AddBytes(rez.root.get(), "full", "", "no room for this");
    AddBytes(rez.root.get(), "ok", "", "ok");
    rez.nodesTotal = 2;
    EXPECT_EQ(Export(rez, dir.Path("out/")),
              kScale + "Problems when writing file: 1 0 1\n  " + dir.Path("out/full") + "\n\n" +
                  kDots50 + "\n\n");
    EXPECT_EQ(ReadFileBytes(dir.Path("out/ok")), "ok");
}
#endif

TEST(Export, UnsafeNamesAreReportedAndPassedOverWithEverythingBelow)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("out/inner"));
    const std::string target = dir.Path("out" + S + "inner" + S);
    struct Name {
        std::string name, extension;
    };
    const Name unsafeFiles[] = {
        {"", ""}, {".", ""}, {"..", ""}, {"../escape", "txt"}, {"..\\escape", "txt"},
        {"a/b", ""}, {"x", "y/../../escape"},
#ifdef _WIN32
        {"c:escape", ""}, {". .", ""}, {"..", " "},
#endif
    };
    const std::string unsafeDirs[] = {"", ".", "..", "../up", "a\\b",
#ifdef _WIN32
                                      "d:", "...",
#endif
    };
    CREZ rez;
    StartTree(rez);
    std::string fileMessages, dirMessages;
    for (const Name& n : unsafeFiles) {
        AddBytes(rez.root.get(), n.name, n.extension, "escaped");
        const std::string full = n.extension.empty() ? n.name : n.name + "." + n.extension;
        fileMessages += "Skipping a file whose name is not safe to write:\n  " + target + full + "\n\n";
    }
    AddBytes(rez.root.get(), "", "hidden", "a dot file is fine");
    for (const std::string& name : unsafeDirs) {
        AddBytes(rez.root->AddDir(0, 0, 0, name), "below", "txt", "escaped");
        dirMessages += "Skipping a directory whose name is not safe to write:\n  " + target + name + "\n\n";
    }
    AddBytes(rez.root->AddDir(0, 0, 0, "safe"), "below", "txt", "inside");
    rez.nodesTotal = rez.root->GetNodesCount();

    // A passed-over node counts as handled, what is below it does not.
    const size_t files = std::size(unsafeFiles) + 1, dirs = std::size(unsafeDirs) + 1;
    const size_t afterFiles = files * 50 / rez.nodesTotal;
    const size_t atEnd = (files + dirs + 1) * 50 / rez.nodesTotal;
    EXPECT_EQ(Export(rez, target), kScale + fileMessages + std::string(afterFiles, '.') + dirMessages +
                                       std::string(atEnd - afterFiles, '.') + "\n\n");

    EXPECT_EQ(ReadFileBytes(target + ".hidden"), "a dot file is fine");
    EXPECT_EQ(ReadFileBytes(target + "safe" + S + "below.txt"), "inside");
    // Nothing was written anywhere else.
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        written.push_back(fs::relative(entry.path(), dir.Path()).generic_string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"out", "out/inner", "out/inner/.hidden",
                                                 "out/inner/safe", "out/inner/safe/below.txt"}));
}
