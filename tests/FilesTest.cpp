// Input and output files: reading at offsets, mappings, and outputs that
// replace their target only when committed.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

TEST(InputFile, FolderOrMissingPathDoesNotOpen)
{
    ScratchDir dir;
    InputFile in;
    EXPECT_FALSE(in.Open(dir.Path()));
    EXPECT_FALSE(in.Open(dir.Path("missing")));
    EXPECT_TRUE(IsFolder(dir.Path()));
    EXPECT_FALSE(IsFolder(dir.Path("missing")));
}

TEST(InputFile, ReadsAtOffsetsAndComesUpShortAtTheEnd)
{
    ScratchDir dir;
    WriteFileBytes(dir.Path("f"), "0123456789");
    InputFile in;
    ASSERT_TRUE(in.Open(dir.Path("f")));
    EXPECT_EQ(in.Size(), 10u);
    char buffer[8] = {};
    EXPECT_EQ(in.ReadAt(3, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "3456");
    EXPECT_EQ(in.ReadAt(8, buffer, 8), 2u);
    EXPECT_EQ(in.ReadAt(50, buffer, 8), 0u);

    // A mapping, where there is one, outlives the file's closing.
    std::shared_ptr<const uint8_t> whole = in.MapWhole();
    in.Close();
    if (whole) {
        EXPECT_EQ(memcmp(whole.get(), "0123456789", 10), 0);
    }
}

TEST(OutputFile, TargetIsReplacedOnlyOnCommit)
{
    ScratchDir dir;
    const std::string target = dir.Path("out.rez");
    WriteFileBytes(target, "earlier");
    {
        OutputFile out;
        ASSERT_TRUE(out.CreateBeside(target));
        ASSERT_TRUE(out.Write("new ", 4));
        ASSERT_TRUE(out.Write("bytes", 5));
        ASSERT_TRUE(out.WriteAt(0, "N", 1));
        EXPECT_EQ(out.Position(), 9u);
        EXPECT_EQ(ReadFileBytes(target), "earlier");
        // Dropped without a commit: the temporary file goes, the target stays.
    }
    EXPECT_EQ(ReadFileBytes(target), "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    OutputFile out;
    ASSERT_TRUE(out.CreateBeside(target));
    ASSERT_TRUE(out.Write("new bytes", 9));
    ASSERT_TRUE(out.WriteAt(0, "N", 1));
    ASSERT_TRUE(out.Write("!", 1));
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), "New bytes!");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(OutputFile, RefusesAFolderOrAMissingFolder)
{
    ScratchDir dir;
    OutputFile out;
    EXPECT_FALSE(out.CreateBeside(dir.Path()));
    fs::create_directory(dir.Path("sub"));
    EXPECT_FALSE(out.CreateBeside(dir.Path("sub")));
    EXPECT_FALSE(out.CreateBeside(dir.Path("missing/out.rez")));
    EXPECT_FALSE(out.Create(dir.Path("missing/out.rez")));
    EXPECT_FALSE(out.Write("x", 1));
    EXPECT_TRUE(out.Failed());
}
