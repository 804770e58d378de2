// Reading REZ files: the layout's examples, the element rules, the load rule,
// and damaged or hostile archives cut short with a message.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>

#include "REZBytes.h"
#include "TestSupport.h"
#include "archive/CREZ.h"

using namespace rezbytes;

namespace {

const std::string kZeroType(4, '\0');

struct Loaded {
    bool ok = false;
    std::string out;      // what the load printed
    std::string listing;  // the tree afterwards, as the listing shows it
};

Loaded LoadBytes(CREZ& rez, const ScratchDir& dir, const std::string& bytes, bool data)
{
    WriteFileBytes(dir.Path("a.rez"), bytes);
    Loaded result;
    result.out = CaptureStdout([&] { result.ok = rez.LoadREZ(dir.Path("a.rez"), data); });
    if (rez.root)
        result.listing = CaptureStdout([&] { rez.root->List(0); });
    return result;
}

std::string Contents(const CREZFile* file)
{
    return file->data ? std::string(reinterpret_cast<const char*>(file->data.get()), file->length)
                      : std::string("<null>");
}

size_t Count(const std::string& text, const std::string& piece)
{
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

// A sound archive: top (3 bytes, extra 5) in the root, then sub holding a.txt.
//   184 "abc"   187 sub's block (31)   218 root block (53)   total 271
const std::string kSound = Header(218, 53) + "abc" + FileElement(184, 3, 0, "txt\0", "a") +
                           FileElement(184, 3, 5, kZeroType, "top") + DirElement(187, 31, 0, "sub");
const std::string kSoundListing =
    "Directory: \"ROOT\" Offset: 218 Length: 53\n"
    "  File: \"top\" Offset: 184 Length: 3\n"
    "  Directory: \"sub\" Offset: 187 Length: 31\n"
    "    File: \"a.txt\" Offset: 184 Length: 3\n";

}  // namespace

TEST(ReadREZ, ExampleArchivesGiveTheirTrees)
{
    ScratchDir dir;
    CREZ rez;

    // 218 bytes: A.WAV with the bytes abc.
    Loaded one = LoadBytes(rez, dir, Header(187, 31) + "abc" + FileElement(184, 3, 0, "VAW\0", "A"), true);
    EXPECT_TRUE(one.ok);
    EXPECT_EQ(one.out, "");
    ASSERT_NE(rez.root, nullptr);
    EXPECT_EQ(rez.root->name, "ROOT");
    EXPECT_EQ(rez.root->offset, 187u);
    EXPECT_EQ(rez.root->length, 31u);
    EXPECT_EQ(rez.root->extra, 0u);
    ASSERT_EQ(rez.root->FileCount(), 1u);
    const CREZFile* a = rez.root->GetFile(0);
    EXPECT_EQ(a->name, "A");
    EXPECT_EQ(a->extension, "WAV");
    EXPECT_EQ(a->offset, 184u);
    EXPECT_EQ(a->length, 3u);
    EXPECT_EQ(a->extra, 0u);
    EXPECT_EQ(Contents(a), "abc");
    EXPECT_TRUE(rez.dataLoaded);
    EXPECT_EQ(rez.nodesTotal, 1u);
    EXPECT_EQ(rez.nodesDone, 0u);
    EXPECT_EQ(rez.dotsPrinted, 0);

    // 202 bytes: an empty subdirectory D, loaded view-only.
    Loaded two = LoadBytes(rez, dir, Header(184, 18) + DirElement(184, 0, 0, "D"), false);
    EXPECT_TRUE(two.ok);
    EXPECT_EQ(two.out, "");
    EXPECT_EQ(two.listing,
              "Directory: \"ROOT\" Offset: 184 Length: 18\n"
              "  Directory: \"D\" Offset: 184 Length: 0\n");
    EXPECT_EQ(rez.root->GetDir(0)->extra, 0u);
    EXPECT_FALSE(rez.dataLoaded);
    EXPECT_EQ(rez.nodesTotal, 1u);

    // 184 bytes: an empty root.
    Loaded empty = LoadBytes(rez, dir, Header(184, 0), true);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.listing, "Directory: \"ROOT\" Offset: 184 Length: 0\n");
    EXPECT_EQ(rez.nodesTotal, 0u);
}

TEST(ReadREZ, TypeFieldsAndNamesComeBackAsTheLayoutSays)
{
    struct Case {
        std::string type, name, extension, expectedName;
    };
    const Case cases[] = {
        {"VAW\0", "s", "WAV", "s"},                   // reversed, zero-filled
        {kZeroType, "noext", "", "noext"},            // no extension
        {"dcba", "four", "abcd", "four"},             // four characters
        {std::string("V\0AW", 4), "gap", "WAV", "gap"},  // zero bytes left out wherever they stand
        {kZeroType, std::string("ab\0cd", 5), "", "abcd"},  // a lone zero byte inside a name is dropped
        {kZeroType, "", "", ""},                      // an empty name: just the two zero bytes
    };
    std::string block;
    for (const Case& c : cases)
        block += FileElement(0, 0, 0, c.type, c.name);
    block += DirElement(0, 0, 9, "dir");

    ScratchDir dir;
    CREZ rez;
    Loaded loaded = LoadBytes(rez, dir, Header(184, Size(block)) + block, false);
    EXPECT_EQ(loaded.out, "");
    ASSERT_EQ(rez.root->FileCount(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(rez.root->GetFile(i)->extension, cases[i].extension) << i;
        EXPECT_EQ(rez.root->GetFile(i)->name, cases[i].expectedName) << i;
    }
    ASSERT_EQ(rez.root->DirCount(), 1u);
    EXPECT_EQ(rez.root->GetDir(0)->name, "dir");
    EXPECT_EQ(rez.root->GetDir(0)->extra, 9u);
}

TEST(ReadREZ, WrongElementIdCancelsOnlyTheRestOfItsBlock)
{
    const struct {
        uint32_t id;
        const char* shown;
    } cases[] = {{2, "2"}, {0xFFFFFFFF, "-1"}};
    for (const auto& c : cases) {
        // 184: sub's block; then the root block: f1, sub, the bad ID, f2.
        const std::string subBlock = FileElement(0, 0, 0, kZeroType, "inner");
        const std::string head = FileElement(0, 0, 0, kZeroType, "f1") +
                                 DirElement(184, Size(subBlock), 0, "sub");
        const std::string rootBlock = head + U32(c.id) + FileElement(0, 0, 0, kZeroType, "f2");
        const uint32_t rootAt = 184 + Size(subBlock);
        ScratchDir dir;
        CREZ rez;
        Loaded loaded = LoadBytes(rez, dir, Header(rootAt, Size(rootBlock)) + subBlock + rootBlock, false);
        EXPECT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.out, "Wrong element ID ( expected 0 or 1 ), canceling reading of the current directory.\n"
                              "Value read: " + std::string(c.shown) +
                                  "   Offset: " + std::to_string(rootAt + head.size()) + "\n\n");
        EXPECT_EQ(loaded.listing,
                  "Directory: \"ROOT\" Offset: 219 Length: 88\n"
                  "  File: \"f1\" Offset: 0 Length: 0\n"
                  "  Directory: \"sub\" Offset: 184 Length: 35\n"
                  "    File: \"inner\" Offset: 0 Length: 0\n");
        EXPECT_EQ(rez.nodesTotal, 3u);
    }
}

TEST(ReadREZ, DuplicatesArePassedOverAndTheirBytesNeverRead)
{
    // 184 "abcxyz"; 190 the first d's block; 210 the second d's block, which
    // would print a wrong-ID message if it were read.
    const std::string firstBlock = FileElement(0, 0, 0, kZeroType, "one");
    const std::string secondBlock = U32(9);
    const std::string rootBlock = DirElement(190, Size(firstBlock), 0, "d") +
                                  DirElement(190 + Size(firstBlock), 4, 0, "d") +
                                  FileElement(184, 3, 0, "txt\0", "dup") +
                                  FileElement(187, 3, 0, "txt\0", "dup");
    const uint32_t rootAt = 190 + Size(firstBlock) + 4;
    ScratchDir dir;
    CREZ rez;
    Loaded loaded = LoadBytes(rez, dir, Header(rootAt, Size(rootBlock)) + "abcxyz" + firstBlock +
                                            secondBlock + rootBlock, true);
    EXPECT_EQ(loaded.out,
              "Trying to add directory to CREZDir instance. It already has a directory with the same name: d\n\n"
              "Trying to add file to CREZDir instance. It already has a file with the same name: dup*txt\n\n");
    ASSERT_EQ(rez.root->DirCount(), 1u);
    ASSERT_EQ(rez.root->GetDir(0)->FileCount(), 1u);
    ASSERT_EQ(rez.root->FileCount(), 1u);
    EXPECT_EQ(Contents(rez.root->GetFile(0)), "abc");
    EXPECT_EQ(rez.nodesTotal, 3u);
}

TEST(ReadREZ, HeaderBytesOutsideTheRootPlaceAreIgnored)
{
    std::string changed = kSound;
    for (size_t i = 0; i < 184; ++i)
        if (i < 131 || i > 138)
            changed[i] = static_cast<char>(0xA5);
    ScratchDir dir;
    CREZ rez;
    Loaded loaded = LoadBytes(rez, dir, changed, true);
    EXPECT_EQ(loaded.out, "");
    EXPECT_EQ(loaded.listing, kSoundListing);
    EXPECT_EQ(Contents(rez.root->GetFile(0)), "abc");
}

TEST(ReadREZ, PathThatDoesNotOpenChangesNothing)
{
    ScratchDir dir;
    CREZ rez;
    ASSERT_TRUE(LoadBytes(rez, dir, kSound, true).ok);
    const CREZDir* held = rez.root.get();
    for (const std::string& path : {dir.Path("missing.rez"), dir.Path()}) {  // a folder counts as missing
        bool ok = true;
        std::string out = CaptureStdout([&] { ok = rez.LoadREZ(path, false); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(out, "Error when trying to read REZ file:\n  " + path + "\n\n");
        EXPECT_EQ(rez.root.get(), held);
        EXPECT_TRUE(rez.dataLoaded);
        EXPECT_EQ(rez.nodesTotal, 3u);
        EXPECT_EQ(Contents(rez.root->GetFile(0)), "abc");
    }
}

TEST(ReadREZ, ViewOnlyLoadReplacesTheTreeAndHoldsNoContents)
{
    ScratchDir dir;
    CREZ rez;
    LoadBytes(rez, dir, Header(187, 31) + "abc" + FileElement(184, 3, 0, "VAW\0", "A"), true);
    Loaded loaded = LoadBytes(rez, dir, kSound, false);
    EXPECT_EQ(loaded.listing, kSoundListing);
    EXPECT_FALSE(rez.dataLoaded);
    EXPECT_EQ(rez.root->GetFile(0)->data, nullptr);
    EXPECT_EQ(rez.root->GetFile(0)->extra, 5u);
    EXPECT_EQ(rez.root->GetDir(0)->GetFile(0)->data, nullptr);
    EXPECT_EQ(rez.nodesTotal, 3u);
}

// Each case damages the sound archive (or builds a small hostile one) and
// expects the load to go on, with the message and the tree shown.
TEST(ReadREZ, DamagedArchivesAreCutShortWithAMessage)
{
    const std::string kReadError = "Error when reading REZ file, canceling reading of the current directory.\n  Offset: ";
    // root -> sub -> loop, where loop points back at the root's block.
    const std::string loopBlock = DirElement(205, 20, 0, "loop");
    const std::string cycle = Header(205, 20) + loopBlock + DirElement(184, Size(loopBlock), 0, "sub");

    const struct {
        const char* what;
        std::string bytes;
        bool data;
        std::string out;
        std::string listing;
    } cases[] = {
        {"cut inside the root block", kSound.substr(0, 258), true, kReadError + "251\n\n",
         "Directory: \"ROOT\" Offset: 218 Length: 53\n"
         "  File: \"top\" Offset: 184 Length: 3\n"},
        {"cut inside the header", kSound.substr(0, 135), true, kReadError + "131\n\n",
         "Directory: \"ROOT\" Offset: 0 Length: 0\n"},
        {"root block past the end, no 32-bit wrap", Header(0xFFFFFFF0u, 0x20), false,
         kReadError + "4294967280\n\n", "Directory: \"ROOT\" Offset: 4294967280 Length: 32\n"},
        {"contents past the end, with contents",
         Header(184, 33) + FileElement(100, 200, 0, kZeroType, "big"), true,
         "File contents lie outside REZ file, passing over the file:\n  big   Offset: 100   Length: 200\n\n",
         "Directory: \"ROOT\" Offset: 184 Length: 33\n"},
        {"contents past the end, view-only",
         Header(184, 33) + FileElement(100, 200, 0, kZeroType, "big"), false, "",
         "Directory: \"ROOT\" Offset: 184 Length: 33\n  File: \"big\" Offset: 100 Length: 200\n"},
        {"empty file anywhere, with contents",
         Header(184, 33) + FileElement(0xFFFFFFFF, 0, 0, "txt\0", "nil"), true, "",
         "Directory: \"ROOT\" Offset: 184 Length: 33\n  File: \"nil.txt\" Offset: 4294967295 Length: 0\n"},
        {"name runs to the block's end", kSound.substr(0, 131) + U32(218) + U32(51) + kSound.substr(139), true,
         "",
         "Directory: \"ROOT\" Offset: 218 Length: 51\n"
         "  File: \"top\" Offset: 184 Length: 3\n"
         "  Directory: \"su\" Offset: 187 Length: 31\n"
         "    File: \"a.txt\" Offset: 184 Length: 3\n"},
        {"block on the descent path", cycle, false,
         "Directory block is already being read, passing over the directory:\n  loop   Offset: 205\n\n",
         "Directory: \"ROOT\" Offset: 205 Length: 20\n"
         "  Directory: \"sub\" Offset: 184 Length: 21\n"
         "    Directory: \"loop\" Offset: 205 Length: 20\n"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        CREZ rez;
        Loaded loaded = LoadBytes(rez, dir, c.bytes, c.data);
        EXPECT_TRUE(loaded.ok) << c.what;
        EXPECT_EQ(loaded.out, c.out) << c.what;
        EXPECT_EQ(loaded.listing, c.listing) << c.what;
        EXPECT_EQ(rez.nodesTotal, rez.root->GetNodesCount()) << c.what;
        if (c.data && rez.root->FileCount() > 0) {
            EXPECT_NE(rez.root->GetFile(0)->data, nullptr) << c.what;
        }
    }
}

TEST(ReadREZ, BlocksSharedByManyDirectoriesCannotMultiplyTheWork)
{
    // Forty levels, each block naming the next one twice: 2^40 blocks to read
    // if every reference were followed.
    const int kLevels = 40;
    const uint32_t kBlock = 2 * (16 + 1 + 1);
    std::string blocks;
    for (int level = 0; level < kLevels; ++level) {
        const uint32_t next = 184 + kBlock * static_cast<uint32_t>(level + 1);
        const uint32_t length = level + 1 < kLevels ? kBlock : 0;
        blocks += DirElement(next, length, 0, "a") + DirElement(next, length, 0, "b");
    }
    const std::string bytes = Header(184, kBlock) + blocks;
    ScratchDir dir;
    CREZ rez;
    Loaded loaded = LoadBytes(rez, dir, bytes, false);
    EXPECT_TRUE(loaded.ok);
    EXPECT_EQ(Count(loaded.out, "Directory blocks of REZ file overlap, canceling reading of the remaining "
                                "directories.\n  Offset: "),
              1u);
    // No more directory bytes were read than the file holds.
    EXPECT_LE(uint64_t{rez.nodesTotal} * 18, bytes.size());
}

TEST(ReadREZ, NestingHasABound)
{
    const uint32_t kLevels = 300;
    std::string blocks;
    for (uint32_t level = 0; level < kLevels; ++level)
        blocks += DirElement(184 + 18 * (level + 1), level + 1 < kLevels ? 18 : 0, 0, "d");
    ScratchDir dir;
    CREZ rez;
    Loaded loaded = LoadBytes(rez, dir, Header(184, 18) + blocks, false);
    EXPECT_TRUE(loaded.ok);
    EXPECT_EQ(Count(loaded.out, "Directories are nested too deeply, passing over the directory:\n  d   Offset: "), 1u);
    // 256 levels read; the directory named on the deepest level stays, empty.
    int depth = 0;
    for (const CREZDir* d = rez.root.get(); d->DirCount() > 0; d = d->GetDir(0))
        ++depth;
    EXPECT_EQ(depth, 257);
    EXPECT_EQ(rez.nodesTotal, 257u);
}
