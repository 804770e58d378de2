// The archive tree: duplicate tests, order, release, listing and counting.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "archive/CREZ.h"

TEST(Tree, DuplicateFileIsRefusedWithExistingNameAndExtension)
{
    CREZDir dir(0, 0, 0, "ROOT");
    ASSERT_NE(dir.AddFile(0, 3, 0, "txt", "readme"), nullptr);
    CREZFile* again = nullptr;
    std::string out = CaptureStdout([&] { again = dir.AddFile(9, 9, 9, "txt", "readme"); });
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(out, "Trying to add file to CREZDir instance. It already has a file with the same name: readme*txt\n\n");
    ASSERT_EQ(dir.FileCount(), 1u);
    EXPECT_EQ(dir.GetFile(0)->length, 3u);
}

TEST(Tree, DuplicateDirIsRefused)
{
    CREZDir dir(0, 0, 0, "ROOT");
    CREZDir* first = dir.AddDir(1, 2, 3, "data");
    ASSERT_NE(first, nullptr);
    CREZDir* again = nullptr;
    std::string out = CaptureStdout([&] { again = dir.AddDir(0, 0, 0, "data"); });
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(out, "Trying to add directory to CREZDir instance. It already has a directory with the same name: data\n\n");
    EXPECT_EQ(dir.DirCount(), 1u);
}

TEST(Tree, NamesThatOnlyLookAlikeAreAllAccepted)
{
    CREZDir dir(0, 0, 0, "ROOT");
    std::string out = CaptureStdout([&] {
        EXPECT_NE(dir.AddFile(0, 0, 0, "txt", "readme"), nullptr);
        EXPECT_NE(dir.AddFile(0, 0, 0, "txt", "README"), nullptr);   // case matters
        EXPECT_NE(dir.AddFile(0, 0, 0, "", "data"), nullptr);        // a file and a folder
        EXPECT_NE(dir.AddDir(0, 0, 0, "data"), nullptr);             //   may share a name
        EXPECT_NE(dir.AddFile(0, 0, 0, "c", "a.b"), nullptr);        // joined forms alike,
        EXPECT_NE(dir.AddFile(0, 0, 0, "b.c", "a"), nullptr);        //   parts differ
        EXPECT_NE(dir.AddFile(0, 0, 0, "", "ab"), nullptr);          // no key collision on
        EXPECT_NE(dir.AddFile(0, 0, 0, "b", "a"), nullptr);          //   concatenation
    });
    EXPECT_EQ(out, "");
    EXPECT_EQ(dir.FileCount(), 7u);
    EXPECT_EQ(dir.DirCount(), 1u);
}

TEST(Tree, NodesKeepInsertionOrderAndAccessPastEndIsNull)
{
    CREZDir dir(0, 0, 0, "ROOT");
    dir.AddFile(0, 0, 0, "", "b");
    dir.AddFile(0, 0, 0, "", "a");
    dir.AddDir(0, 0, 0, "z");
    dir.AddDir(0, 0, 0, "y");
    EXPECT_EQ(dir.GetFile(0)->name, "b");
    EXPECT_EQ(dir.GetFile(1)->name, "a");
    EXPECT_EQ(dir.GetDir(0)->name, "z");
    EXPECT_EQ(dir.GetDir(1)->name, "y");
    EXPECT_EQ(dir.GetFile(2), nullptr);
    EXPECT_EQ(dir.GetDir(2), nullptr);
}

TEST(Tree, FreeReturnsToEmptyState)
{
    CREZ rez;
    rez.Free();  // on an empty archive: nothing to release
    EXPECT_EQ(rez.root, nullptr);

    rez.root = std::make_unique<CREZDir>(1, 2, 0, "ROOT");
    rez.root->AddDir(0, 0, 0, "sub")->AddFile(0, 1, 0, "", "x")->data =
        FileBytes(new uint8_t[1]{7}, std::default_delete<uint8_t[]>());
    rez.dataLoaded = true;
    rez.nodesTotal = 2;
    rez.nodesDone = 1;
    rez.dotsPrinted = 5;
    rez.Free();
    EXPECT_EQ(rez.root, nullptr);
    EXPECT_FALSE(rez.dataLoaded);
    EXPECT_EQ(rez.nodesTotal, 0u);
    EXPECT_EQ(rez.nodesDone, 0u);
    EXPECT_EQ(rez.dotsPrinted, 0);
}

TEST(Tree, ListShowsDirectoryThenFilesThenSubdirectoriesIndented)
{
    CREZDir root(0xFFFFFFF0u, 31, 0, "ROOT");
    root.AddFile(184, 3, 0, "txt", "readme");
    root.AddFile(187, 0, 0, "", "noext");
    CREZDir* sub = root.AddDir(190, 40, 7, "sub");
    sub->AddFile(200, 5, 0, "WAV", "Sound");
    sub->AddDir(230, 0, 0, "empty");
    root.AddDir(250, 0, 0, "last");

    std::string out = CaptureStdout([&] { root.List(0); });
    EXPECT_EQ(out,
              "Directory: \"ROOT\" Offset: 4294967280 Length: 31\n"  // unsigned, never negative
              "  File: \"readme.txt\" Offset: 184 Length: 3\n"
              "  File: \"noext\" Offset: 187 Length: 0\n"
              "  Directory: \"sub\" Offset: 190 Length: 40\n"
              "    File: \"Sound.WAV\" Offset: 200 Length: 5\n"
              "    Directory: \"empty\" Offset: 230 Length: 0\n"
              "  Directory: \"last\" Offset: 250 Length: 0\n");
}

TEST(Tree, NodesCountCoversEveryLevelButTheDirectoryItself)
{
    CREZDir root(0, 0, 0, "ROOT");
    EXPECT_EQ(root.GetNodesCount(), 0u);
    root.AddFile(0, 0, 0, "", "a");
    root.AddFile(0, 0, 0, "", "b");
    EXPECT_EQ(root.GetNodesCount(), 2u);
    CREZDir* sub = root.AddDir(0, 0, 0, "sub");
    sub->AddFile(0, 0, 0, "", "c");
    sub->AddFile(0, 0, 0, "", "d");
    sub->AddFile(0, 0, 0, "", "e");
    EXPECT_EQ(root.GetNodesCount(), 6u);
    sub->AddDir(0, 0, 0, "deeper")->AddDir(0, 0, 0, "deepest");
    EXPECT_EQ(root.GetNodesCount(), 8u);
    EXPECT_EQ(sub->GetNodesCount(), 5u);
}

TEST(Tree, LargeDirectoriesFindDuplicatesAsSmallOnesDo)
{
    // Past a few dozen entries the duplicate tests go through an index:
    // the same answers, before and after it is made.
    CREZDir dir(0, 0, 0, "ROOT");
    std::string out = CaptureStdout([&] {
        for (int i = 0; i < 500; ++i) {
            ASSERT_NE(dir.AddFile(0, 0, 0, "txt", "f" + std::to_string(i)), nullptr);
            ASSERT_NE(dir.AddFile(0, 0, 0, "", "f" + std::to_string(i) + "txt"), nullptr);
            ASSERT_NE(dir.AddDir(0, 0, 0, "d" + std::to_string(i)), nullptr);
        }
    });
    EXPECT_EQ(out, "");
    for (int i : {0, 31, 32, 33, 499}) {
        std::string refused = CaptureStdout([&] {
            EXPECT_EQ(dir.AddFile(1, 1, 1, "txt", "f" + std::to_string(i)), nullptr);
            EXPECT_EQ(dir.AddDir(1, 1, 1, "d" + std::to_string(i)), nullptr);
        });
        EXPECT_EQ(refused,
                  "Trying to add file to CREZDir instance. It already has a file with the same name: f" +
                      std::to_string(i) + "*txt\n\n"
                      "Trying to add directory to CREZDir instance. It already has a directory with the same name: d" +
                      std::to_string(i) + "\n\n");
    }
    EXPECT_EQ(dir.FileCount(), 1000u);
    EXPECT_EQ(dir.DirCount(), 500u);
    EXPECT_NE(dir.AddFile(0, 0, 0, "TXT", "f7"), nullptr);  // case still matters
}
