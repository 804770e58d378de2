// The folder import and the listings under it: the tree made from a folder,
// the name split, the order of listings and reads, prefixes, failures that
// leave the tree held before, and links.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/CHGE_Wrapper.h"
#include "archive/CREZ.h"
#include "platform/FolderListing.h"
#include "platform/Folders.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const std::string S(1, kPathSeparator);

std::string Bytes(const CREZFile* file)
{
    if (!file->data)
        return "<null>";
    return std::string(reinterpret_cast<const char*>(file->data.get()), file->length);
}

// "name|extension" for each file of a directory, in order.
std::vector<std::string> FileParts(const CREZDir* dir)
{
    std::vector<std::string> parts;
    for (const auto& file : dir->files)
        parts.push_back(file->name + "|" + file->extension);
    return parts;
}

std::vector<std::string> DirNames(const CREZDir* dir)
{
    std::vector<std::string> names;
    for (const auto& sub : dir->dirs)
        names.push_back(sub->name);
    return names;
}

std::vector<std::string> Listing(const std::string& wildcard, EntryKind kind)
{
    std::vector<std::string> names;
    ListFolderEntries(wildcard, kind, &names);
    std::sort(names.begin(), names.end());
    return names;
}

void MakeSparseFile(const std::string& path, uint64_t size)
{
    WriteFileBytes(path, "");
    fs::resize_file(path, size);
}

}  // namespace

TEST(FolderListing, MatchesStarAndQuestionMarkWithLeadingDotsNotSpecial)
{
    ScratchDir dir;
    for (const char* name : {"abc", "abd", "ab", ".hidden", "xabc"})
        WriteFileBytes(dir.Path(name), "");
    fs::create_directory(dir.Path("abdir"));
    using V = std::vector<std::string>;
    EXPECT_EQ(Listing(dir.Path("*"), EntryKind::File), (V{".hidden", "ab", "abc", "abd", "xabc"}));
    EXPECT_EQ(Listing(dir.Path("*"), EntryKind::Folder), (V{"abdir"}));
    EXPECT_EQ(Listing(dir.Path("ab?"), EntryKind::File), (V{"abc", "abd"}));
    EXPECT_EQ(Listing(dir.Path("ab*"), EntryKind::File), (V{"ab", "abc", "abd"}));
    EXPECT_EQ(Listing(dir.Path("*c"), EntryKind::File), (V{"abc", "xabc"}));
    EXPECT_EQ(Listing(dir.Path("*a*b*c*"), EntryKind::File), (V{"abc", "xabc"}));
    EXPECT_EQ(Listing(dir.Path(".*"), EntryKind::File), (V{".hidden"}));
    EXPECT_EQ(Listing(dir.Path("missing/*"), EntryKind::File), V{});
}

TEST(FolderListing, InterfaceHandsOutNamesSortedByBytesOneListingAtATime)
{
    ScratchDir dir;
    for (const char* name : {"b", "C", "a", "_", "~", "A0"})  // distinct on any file system
        WriteFileBytes(dir.Path(name), "");
    fs::create_directory(dir.Path("sub"));
    HGE* hge = CHGE_Wrapper::GetHGE();
    ASSERT_NE(hge, nullptr);
    EXPECT_EQ(CHGE_Wrapper::GetHGE(), hge);  // made once

    const std::string wildcard = dir.Path("*");
    std::vector<std::string> files;
    for (const char* name = hge->Resource_EnumFiles(wildcard.c_str()); name;
         name = hge->Resource_EnumFiles())
        files.emplace_back(name);
    EXPECT_EQ(files, (std::vector<std::string>{"A0", "C", "_", "a", "b", "~"}));
    EXPECT_EQ(hge->Resource_EnumFiles(), nullptr);  // stays exhausted

    // A new wildcard abandons a listing left open.
    EXPECT_STREQ(hge->Resource_EnumFiles(wildcard.c_str()), "A0");
    EXPECT_STREQ(hge->Resource_EnumFolders(wildcard.c_str()), "sub");
    EXPECT_EQ(hge->Resource_EnumFolders(), nullptr);
}

TEST(Import, FolderWithFilesAndASubFolder)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("top/sub"));
    WriteFileBytes(dir.Path("top/b.txt"), "bee");
    WriteFileBytes(dir.Path("top/a.txt"), "a");
    WriteFileBytes(dir.Path("top/sub/c.bin"), std::string("\0\x01\xff\r\n", 5));
    CREZ rez;
    std::string out = CaptureStdout([&] { EXPECT_TRUE(rez.LoadDirectory(dir.Path("top/"), true)); });
    EXPECT_EQ(out, "");
    ASSERT_TRUE(rez.root);
    EXPECT_EQ(rez.root->name, "ROOT");
    EXPECT_EQ(rez.nodesTotal, 4u);
    EXPECT_TRUE(rez.dataLoaded);
    EXPECT_EQ(FileParts(rez.root.get()), (std::vector<std::string>{"a|txt", "b|txt"}));
    EXPECT_EQ(Bytes(rez.root->GetFile(1)), "bee");
    EXPECT_EQ(rez.root->GetFile(1)->length, 3u);
    ASSERT_EQ(DirNames(rez.root.get()), std::vector<std::string>{"sub"});
    const CREZDir* sub = rez.root->GetDir(0);
    EXPECT_EQ(FileParts(sub), std::vector<std::string>{"c|bin"});
    EXPECT_EQ(Bytes(sub->GetFile(0)), std::string("\0\x01\xff\r\n", 5));
    for (const CREZDir* d : {static_cast<const CREZDir*>(rez.root.get()), sub})
        EXPECT_EQ(d->offset + d->length + d->extra, 0u);
    EXPECT_EQ(sub->GetFile(0)->offset + sub->GetFile(0)->extra, 0u);
}

TEST(Import, NamesSplitAtTheLastDot)
{
    ScratchDir dir;
    const char* names[] = {"a.b.c", "Image.JPEG", "README", ".cfg",
#ifndef _WIN32
                           "x.",  // the system drops a trailing dot on Windows
#endif
    };
    for (const char* name : names)
        WriteFileBytes(dir.Path(name), "");
    CREZ rez;
    ASSERT_TRUE(rez.LoadDirectory(dir.Path(), true));
    std::vector<std::string> expected = {"|cfg", "Image|JPEG", "README|", "a.b|c"};
#ifndef _WIN32
    expected.push_back("x|");
#endif
    EXPECT_EQ(FileParts(rez.root.get()), expected);
}

TEST(Import, EmptyFilesAndEmptyFoldersAreNodes)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("empty"));
    WriteFileBytes(dir.Path("zero"), "");
    CREZ rez;
    ASSERT_TRUE(rez.LoadDirectory(dir.Path(), true));
    EXPECT_EQ(rez.nodesTotal, 2u);
    EXPECT_EQ(rez.root->GetDir(0)->DirCount() + rez.root->GetDir(0)->FileCount(), 0u);
    EXPECT_EQ(rez.root->GetFile(0)->length, 0u);
    EXPECT_NE(rez.root->GetFile(0)->data, nullptr);  // contents held, just none of them
}

TEST(Import, FilesOfEverySizeKeepTheirExactContents)
{
    // Sizes on both sides of each way contents are held: shared blocks (and
    // the step to a new block once one is full), memory of a file's own,
    // and mappings.
    ScratchDir dir;
    std::mt19937 random(7);
    std::string pool(6 * 1024 * 1024 + 64, '\0');
    for (char& c : pool)
        c = static_cast<char>(random());
    const std::vector<size_t> sizes = {0, 1, 4095, 4096, 16 * 1024, 64 * 1024, 300 * 1024 + 3,
                                       1024 * 1024 - 1, 1024 * 1024, 4 * 1024 * 1024 - 1,
                                       4 * 1024 * 1024, 6 * 1024 * 1024 + 7};
    std::vector<std::string> expected;
    for (size_t i = 0; i < sizes.size(); ++i) {
        expected.push_back(pool.substr(i, sizes[i]));
        WriteFileBytes(dir.Path("f" + std::string(1, static_cast<char>('a' + i))), expected.back());
    }
    for (int i = 0; i < 24; ++i)  // 24 x 900 KiB: more than one shared block
        WriteFileBytes(dir.Path("g" + std::to_string(10 + i)), pool.substr(static_cast<size_t>(i), 900 * 1024));

    CREZ rez;
    ASSERT_TRUE(rez.LoadDirectory(dir.Path(), true));
    ASSERT_EQ(rez.root->FileCount(), sizes.size() + 24);
    for (size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(rez.root->GetFile(i)->length, sizes[i]);
        EXPECT_TRUE(Bytes(rez.root->GetFile(i)) == expected[i]) << "size " << sizes[i];
    }
    for (size_t i = 0; i < 24; ++i)
        EXPECT_TRUE(Bytes(rez.root->GetFile(sizes.size() + i)) == pool.substr(i, 900 * 1024));
    // The contents outlive the files on disk.
    fs::remove(dir.Path("fl"));
    EXPECT_TRUE(Bytes(rez.root->GetFile(sizes.size() - 1)) == expected.back());
}

TEST(Import, ViewOnlyMeasuresWithoutReading)
{
    ScratchDir dir;
    WriteFileBytes(dir.Path("a.txt"), "hello");
    MakeSparseFile(dir.Path("max.bin"), 0xFFFFFFFFull);  // the largest length a REZ file holds
    CREZ rez;
    ASSERT_TRUE(rez.LoadDirectory(dir.Path(), false));
    EXPECT_FALSE(rez.dataLoaded);
    EXPECT_EQ(rez.nodesTotal, 2u);
    EXPECT_EQ(rez.root->GetFile(0)->length, 5u);
    EXPECT_EQ(rez.root->GetFile(1)->length, 0xFFFFFFFFu);
    EXPECT_EQ(rez.root->GetFile(0)->data, nullptr);
}

TEST(Import, SubFoldersAreJoinedWithOneSeparatorAndATopPrefixIsUsedAsItStands)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("top/a/b"));
    WriteFileBytes(dir.Path("top/a/b/x.dat"), "x");
    // Without a final separator the top path is a prefix: "top*" matches the
    // folder top itself, whose contents are then looked for at "toptop/".
    fs::create_directories(dir.Path("toptop/inner"));
    WriteFileBytes(dir.Path("toptop/z.txt"), "z");

    CREZ rez;
    ASSERT_TRUE(rez.LoadDirectory(dir.Path("top" + S), true));
    EXPECT_EQ(Bytes(rez.root->GetDir(0)->GetDir(0)->GetFile(0)), "x");

    ASSERT_TRUE(rez.LoadDirectory(dir.Path("top"), true));
    EXPECT_EQ(DirNames(rez.root.get()), (std::vector<std::string>{"top", "toptop"}));
    const CREZDir* top = rez.root->GetDir(0);
    EXPECT_EQ(DirNames(top), std::vector<std::string>{"inner"});
    EXPECT_EQ(FileParts(top), std::vector<std::string>{"z|txt"});
    EXPECT_EQ(Bytes(top->GetFile(0)), "z");
    EXPECT_EQ(rez.root->GetDir(1)->DirCount(), 0u);  // "toptoptop/" is not there
}

TEST(Import, EmptyOrMissingFolderLeavesTheHeldTree)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("held/only-a-folder"));
    fs::create_directories(dir.Path("empty"));
    CREZ rez;
    ASSERT_TRUE(rez.LoadDirectory(dir.Path("held/"), false));
    const CREZDir* held = rez.root.get();

    for (const std::string& path : {dir.Path("empty/"), dir.Path("missing/")}) {
        std::string out = CaptureStdout([&] { EXPECT_FALSE(rez.LoadDirectory(path, true)); });
        EXPECT_EQ(out, "Either a specified directory is empty, or it doesn't exist:\n  " + path + "\n\n");
        EXPECT_EQ(rez.root.get(), held);
        EXPECT_FALSE(rez.dataLoaded);
        EXPECT_EQ(rez.nodesTotal, 1u);
    }
}

TEST(Import, OversizedFileFailsTheImportAfterEverythingBelowSubFolders)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("top/sub"));
    WriteFileBytes(dir.Path("top/a.txt"), "a");
    // Both are too large; the one below the sub-folder is read first.
    MakeSparseFile(dir.Path("top/huge.bin"), 0x100000000ull);
    MakeSparseFile(dir.Path("top/sub/huge.bin"), 0x100000000ull);

    CREZ rez;
    fs::create_directories(dir.Path("held"));
    WriteFileBytes(dir.Path("held/h.txt"), "held");
    ASSERT_TRUE(rez.LoadDirectory(dir.Path("held/"), true));
    const CREZDir* held = rez.root.get();

    for (bool data : {true, false}) {
        std::string out = CaptureStdout([&] { EXPECT_FALSE(rez.LoadDirectory(dir.Path("top/"), data)); });
        EXPECT_EQ(out, "A file of 4 GiB or more cannot be stored in a REZ package:\n  " +
                           dir.Path("top/sub" + S + "huge.bin") + "\n\n");
        EXPECT_EQ(rez.root.get(), held);
        EXPECT_TRUE(rez.dataLoaded);
        EXPECT_EQ(rez.nodesTotal, 1u);
    }
}

#ifndef _WIN32
TEST(Import, OnlyFoldersFilesAndLinksToThemAreListedAndLoopsAreNotFollowed)
{
    ScratchDir dir;
    fs::create_directories(dir.Path("top/sub/deeper"));
    WriteFileBytes(dir.Path("top/real.txt"), "real");
    ASSERT_EQ(mkfifo(dir.Path("top/pipe").c_str(), 0600), 0);  // would block a read
    ASSERT_EQ(symlink("real.txt", dir.Path("top/linked.txt").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", dir.Path("top/dangling").c_str()), 0);
    ASSERT_EQ(symlink("sub", dir.Path("top/sublink").c_str()), 0);   // a folder, not a loop
    ASSERT_EQ(symlink("../..", dir.Path("top/sub/deeper/up").c_str()), 0);  // back to top

    CREZ rez;
    std::string out = CaptureStdout([&] { EXPECT_TRUE(rez.LoadDirectory(dir.Path("top/"), true)); });
    const std::string skip = "Skipping a directory that leads back to a directory above it:\n  ";
    EXPECT_EQ(out, skip + dir.Path("top/sub/deeper/up") + "\n\n" +
                       skip + dir.Path("top/sublink/deeper/up") + "\n\n");
    EXPECT_EQ(DirNames(rez.root.get()), (std::vector<std::string>{"sub", "sublink"}));
    EXPECT_EQ(FileParts(rez.root.get()), (std::vector<std::string>{"linked|txt", "real|txt"}));
    EXPECT_EQ(Bytes(rez.root->GetFile(0)), "real");
    EXPECT_EQ(DirNames(rez.root->GetDir(1)), std::vector<std::string>{"deeper"});
    EXPECT_EQ(rez.nodesTotal, 6u);
}
#endif
