// Writing REZ files: the layout's examples field by field, the progress bar,
// offsets stored back into the tree, refusals, and failed saves that leave
// an earlier archive as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>

#include "REZBytes.h"
#include "TestSupport.h"
#include "archive/CREZ.h"

#ifdef _WIN32
#include <share.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace rezbytes;
namespace fs = std::filesystem;

namespace {

const std::string kScale = "[0]=====[20]======[40]======[60]======[80]======[100]%\n";
const std::string kFullBar = kScale + std::string(50, '.') + "\n\n";

FileBytes Bytes(const std::string& s)
{
    uint8_t* raw = new uint8_t[s.size() + 1];
    std::copy(s.begin(), s.end(), raw);
    return FileBytes(raw, std::default_delete<uint8_t[]>());
}

CREZFile* AddFile(CREZDir* dir, const std::string& name, const std::string& extension,
                  const std::string& contents, uint32_t extra = 0)
{
    CREZFile* file = dir->AddFile(0, static_cast<uint32_t>(contents.size()), extra, extension, name);
    file->data = Bytes(contents);
    return file;
}

// An archive held with contents, as a folder import leaves it.
void StartTree(CREZ& rez)
{
    rez.Free();
    rez.root = std::make_unique<CREZDir>(0, 0, 0, "ROOT");
    rez.dataLoaded = true;
}

void FinishTree(CREZ& rez) { rez.nodesTotal = rez.root->GetNodesCount(); }

struct Saved {
    bool ok = false;
    std::string out;
};

Saved Save(CREZ& rez, const std::string& path)
{
    Saved saved;
    saved.out = CaptureStdout([&] { saved.ok = rez.SaveREZ(path); });
    return saved;
}

std::string Listing(const CREZ& rez)
{
    return CaptureStdout([&] { rez.root->List(0); });
}

size_t EntriesIn(const std::string& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(WriteREZ, OneFileArchiveFieldByField)
{
    CREZ rez;
    StartTree(rez);
    CREZFile* a = AddFile(rez.root.get(), "A", "WAV", "abc");
    FinishTree(rez);
    ScratchDir dir;
    Saved saved = Save(rez, dir.Path("a.rez"));
    EXPECT_TRUE(saved.ok);
    EXPECT_EQ(saved.out, kFullBar);  // 50 dots after the file

    const std::string f = ReadFileBytes(dir.Path("a.rez"));
    ASSERT_EQ(f.size(), 218u);
    EXPECT_EQ(f.substr(0, 127), HeaderText());                 // text block
    EXPECT_EQ(f.substr(127, 4), U32(1));                       // constant 1
    EXPECT_EQ(f.substr(131, 4), U32(187));                     // root block offset
    EXPECT_EQ(f.substr(135, 4), U32(31));                      // root block length
    EXPECT_EQ(f.substr(139, 4), U32(0x0012FD1C));              // constants
    EXPECT_EQ(f.substr(143, 4), U32(0xFFFFFFFF));
    EXPECT_EQ(f.substr(147, 4), U32(0x36913B3E));
    EXPECT_EQ(f.substr(151, 4), U32(0));
    EXPECT_EQ(f.substr(155, 4), U32(21));
    EXPECT_EQ(f.substr(159, 4), U32(25));
    EXPECT_EQ(f.substr(163, 4), U32(0));
    EXPECT_EQ(f.substr(167, 4), U32(0x2001));
    EXPECT_EQ(f.substr(171, 13), std::string(13, '\0'));      // three zero words, one zero byte
    EXPECT_EQ(f.substr(184, 3), "abc");                        // the file's bytes
    EXPECT_EQ(f.substr(187, 4), U32(0));                       // element ID: file
    EXPECT_EQ(f.substr(191, 4), U32(184));                     // offset
    EXPECT_EQ(f.substr(195, 4), U32(3));                       // length
    EXPECT_EQ(f.substr(199, 4), U32(0));                       // extra
    EXPECT_EQ(f.substr(203, 4), "FiID");                       // tag
    EXPECT_EQ(f.substr(207, 4), std::string("VAW\0", 4));      // type, reversed
    EXPECT_EQ(f.substr(211, 4), U32(0));                       // zero word
    EXPECT_EQ(f.substr(215, 3), std::string("A\0\0", 3));      // name, two zeros

    EXPECT_EQ(a->offset, 184u);
    EXPECT_EQ(rez.root->offset, 187u);
    EXPECT_EQ(rez.root->length, 31u);
    EXPECT_EQ(rez.nodesDone, 0u);
    EXPECT_EQ(rez.dotsPrinted, 0);
    EXPECT_EQ(rez.nodesTotal, 1u);
}

TEST(WriteREZ, EmptySubdirectoryArchive)
{
    CREZ rez;
    StartTree(rez);
    CREZDir* d = rez.root->AddDir(0, 0, 0, "D");
    FinishTree(rez);
    ScratchDir dir;
    Saved saved = Save(rez, dir.Path("d.rez"));
    EXPECT_TRUE(saved.ok);
    EXPECT_EQ(saved.out, kFullBar);
    EXPECT_EQ(ReadFileBytes(dir.Path("d.rez")), Header(184, 18) +
                                                    U32(1) + U32(184) + U32(0) + U32(0) +  // ID, offset, length, extra
                                                    std::string("D\0", 2));               // name, one zero
    EXPECT_EQ(d->offset, 184u);
    EXPECT_EQ(d->length, 0u);
    EXPECT_EQ(rez.root->offset, 184u);
    EXPECT_EQ(rez.root->length, 18u);
}

TEST(WriteREZ, EmptyRootIsTheHeaderAloneAndShowsNoDots)
{
    CREZ rez;
    StartTree(rez);
    FinishTree(rez);
    ScratchDir dir;
    Saved saved = Save(rez, dir.Path("e.rez"));
    EXPECT_TRUE(saved.ok);
    EXPECT_EQ(saved.out, kScale + "\n\n");
    EXPECT_EQ(ReadFileBytes(dir.Path("e.rez")), Header(184, 0));
}

TEST(WriteREZ, EmptyFilesAndFoldersTakeTheCurrentPosition)
{
    // Two files and an empty subdirectory: 3 nodes, 33 dots then 17.
    CREZ rez;
    StartTree(rez);
    CREZFile* a = AddFile(rez.root.get(), "a", "", "xy");
    CREZFile* e = AddFile(rez.root.get(), "e", "", "");
    CREZDir* d = rez.root->AddDir(0, 0, 0, "d");
    FinishTree(rez);
    ScratchDir dir;
    Saved saved = Save(rez, dir.Path("t.rez"));
    EXPECT_EQ(saved.out, kFullBar);
    EXPECT_EQ(a->offset, 184u);
    EXPECT_EQ(e->offset, 186u);
    EXPECT_EQ(d->offset, 186u);
    EXPECT_EQ(d->length, 0u);
    EXPECT_EQ(rez.root->offset, 186u);
    EXPECT_EQ(rez.root->length, 31u + 31u + 18u);
    EXPECT_EQ(ReadFileBytes(dir.Path("t.rez")),
              Header(186, 80) + "xy" + FileElement(184, 2, 0, std::string(4, '\0'), "a") +
                  FileElement(186, 0, 0, std::string(4, '\0'), "e") + DirElement(186, 0, 0, "d"));
}

TEST(WriteREZ, TypeFieldKeepsTheLastFourCharacters)
{
    const struct {
        const char* extension;
        std::string type;
        const char* readBack;
    } cases[] = {
        {"WAV", std::string("VAW\0", 4), "WAV"},
        {"", std::string(4, '\0'), ""},
        {"ab", std::string("ba\0\0", 4), "ab"},
        {"abcd", "dcba", "abcd"},
        {"abcde", "edcb", "bcde"},
    };
    CREZ rez;
    StartTree(rez);
    for (size_t i = 0; i < std::size(cases); ++i)
        AddFile(rez.root.get(), std::string(1, static_cast<char>('a' + i)), cases[i].extension, "");
    FinishTree(rez);
    ScratchDir dir;
    ASSERT_TRUE(Save(rez, dir.Path("x.rez")).ok);
    const std::string f = ReadFileBytes(dir.Path("x.rez"));
    ASSERT_EQ(f.size(), 184u + 31u * std::size(cases));

    CREZ back;
    CaptureStdout([&] { back.LoadREZ(dir.Path("x.rez"), true); });
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(f.substr(184 + 31 * i + 20, 4), cases[i].type) << cases[i].extension;
        EXPECT_EQ(back.root->GetFile(i)->extension, cases[i].readBack);
    }
}

TEST(WriteREZ, RoundTripIsExactAndTheListingShowsTheNewPlaces)
{
    // A hand-made archive laid out unlike the writer: root block first,
    // contents after it, extra values set.
    const std::string subBlock = FileElement(300, 4, 0x11, std::string("gnp\0", 4), "pic");
    const std::string rootBlock = FileElement(304, 2, 0x22, std::string(4, '\0'), "top") +
                                  DirElement(184 + 53, Size(subBlock), 0x33, "sub");
    ASSERT_EQ(rootBlock.size(), 53u);
    std::string archive = Header(184, 53) + rootBlock + subBlock;
    archive += std::string(300 - archive.size(), '-') + "PNG!" + "hi";

    ScratchDir dir;
    WriteFileBytes(dir.Path("in.rez"), archive);
    CREZ rez;
    CaptureStdout([&] { ASSERT_TRUE(rez.LoadREZ(dir.Path("in.rez"), true)); });
    Saved first = Save(rez, dir.Path("one.rez"));
    Saved second = Save(rez, dir.Path("two.rez"));
    EXPECT_TRUE(first.ok && second.ok);
    EXPECT_EQ(first.out, kFullBar);
    EXPECT_EQ(ReadFileBytes(dir.Path("one.rez")), ReadFileBytes(dir.Path("two.rez")));

    // top (2) at 184; sub's contents: pic (4) at 186, its block (33) at 190;
    // the root block (33 + 20) at 223.
    const std::string expected =
        "Directory: \"ROOT\" Offset: 223 Length: 53\n"
        "  File: \"top\" Offset: 184 Length: 2\n"
        "  Directory: \"sub\" Offset: 190 Length: 33\n"
        "    File: \"pic.png\" Offset: 186 Length: 4\n";
    EXPECT_EQ(Listing(rez), expected);
    EXPECT_EQ(ReadFileBytes(dir.Path("one.rez")),
              Header(223, 53) + "hi" + "PNG!" + FileElement(186, 4, 0x11, std::string("gnp\0", 4), "pic") +
                  FileElement(184, 2, 0x22, std::string(4, '\0'), "top") + DirElement(190, 33, 0x33, "sub"));

    CREZ back;
    CaptureStdout([&] { back.LoadREZ(dir.Path("one.rez"), true); });
    EXPECT_EQ(Listing(back), expected);
    EXPECT_EQ(back.root->GetFile(0)->extra, 0x22u);
    EXPECT_EQ(back.root->GetDir(0)->extra, 0x33u);
    EXPECT_EQ(back.root->GetDir(0)->GetFile(0)->extra, 0x11u);
}

TEST(WriteREZ, RefusedSavesWriteNothingAndChangeNothing)
{
    ScratchDir dir;
    fs::create_directory(dir.Path("folder"));
    const struct {
        const char* what;
        bool tree, data;
        std::string path;
        std::string out;
    } cases[] = {
        {"no tree", false, false, dir.Path("x.rez"),
         "Trying to save REZ file. There's no data structure loaded up in the memory!\n\n"},
        {"view-only", true, false, dir.Path("x.rez"),
         "Error! Trying to save REZ file that is in view-only mode! No actual data is loaded.\n\n"},
        {"target is a folder", true, true, dir.Path("folder"),
         "Error when trying to open REZ file for writing:\n  " + dir.Path("folder") + "\n\n"},
        {"folder does not exist", true, true, dir.Path("nowhere/x.rez"),
         "Error when trying to open REZ file for writing:\n  " + dir.Path("nowhere/x.rez") + "\n\n"},
    };
    for (const auto& c : cases) {
        CREZ rez;
        if (c.tree) {
            StartTree(rez);
            AddFile(rez.root.get(), "f", "txt", "abc")->offset = 77;
            rez.root->offset = 5;
            FinishTree(rez);
            rez.dataLoaded = c.data;
        }
        Saved saved = Save(rez, c.path);
        EXPECT_FALSE(saved.ok) << c.what;
        EXPECT_EQ(saved.out, c.out) << c.what;
        EXPECT_EQ(EntriesIn(dir.Path()), 1u) << c.what;  // only "folder"
        EXPECT_EQ(EntriesIn(dir.Path("folder")), 0u) << c.what;
        if (c.tree) {
            EXPECT_EQ(rez.root->offset, 5u) << c.what;
            EXPECT_EQ(rez.root->GetFile(0)->offset, 77u) << c.what;
        }
    }
}

TEST(WriteREZ, ArchivePastThirtyTwoBitsIsRefusedBeforeWriting)
{
    // 184 + length + 31 = 2^32: one byte too many. The contents are never read.
    CREZ rez;
    StartTree(rez);
    rez.root->AddFile(0, 4294967081u, 0, "", "f")->data = Bytes("x");
    FinishTree(rez);
    ScratchDir dir;
    Saved saved = Save(rez, dir.Path("big.rez"));
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.out, "Error! Trying to save REZ file larger than 4294967295 bytes (4294967296 bytes):\n  " +
                             dir.Path("big.rez") + "\n\n");
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(WriteREZ, ExistingFileThatCannotBeWrittenIsLeftAlone)
{
    ScratchDir dir;
    const std::string target = dir.Path("locked.rez");
    WriteFileBytes(target, "earlier");
#ifdef _WIN32
    // Held open by someone who shares it with no writer.
    FILE* holder = _fsopen(target.c_str(), "rb", _SH_DENYWR);
    ASSERT_NE(holder, nullptr);
#else
    fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
#endif
    if (FILE* probe = fopen(target.c_str(), "r+b")) {
        fclose(probe);
        GTEST_SKIP() << "a read-only file is still writable here (running with full rights)";
    }
    CREZ rez;
    StartTree(rez);
    AddFile(rez.root.get(), "f", "", "new");
    FinishTree(rez);
    Saved saved = Save(rez, target);
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.out, "Error when trying to open REZ file for writing:\n  " + target + "\n\n");
    EXPECT_EQ(ReadFileBytes(target), "earlier");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
#ifdef _WIN32
    fclose(holder);
#endif
}

#ifndef _WIN32
TEST(WriteREZ, FailedWriteLeavesTheEarlierArchiveAndTheTree)
{
    ScratchDir dir;
    const std::string target = dir.Path("out.rez");
    CREZ rez;
    StartTree(rez);
    AddFile(rez.root.get(), "small", "", "abc");
    AddFile(rez.root.get(), "large", "bin", std::string(8192, 'z'));
    rez.root->AddDir(0, 0, 0, "after");
    FinishTree(rez);
    ASSERT_TRUE(Save(rez, target).ok);
    const std::string earlier = ReadFileBytes(target);
    const std::string listing = Listing(rez);

    // In a child: a file size limit makes the large file's write fail. The
    // child reports through its exit code what it saw.
    fflush(stdout);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        AddFile(rez.root.get(), "more", "", "!");  // so the new archive differs
        rez.nodesTotal = rez.root->GetNodesCount();
        const std::string before = Listing(rez);
        Saved saved = Save(rez, target);
        int faults = 0;
        if (saved.ok)
            faults |= 1;
        // The write fails among the root's files, before the first dot.
        if (saved.out != kScale + "\n\nError when trying to write REZ file:\n  " + target + "\n\n")
            faults |= 2;
        if (Listing(rez) != before)
            faults |= 4;
        if (rez.nodesDone != 0 || rez.dotsPrinted != 0)
            faults |= 8;
        _exit(faults);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: output, 4: tree changed, 8: counters";
    EXPECT_EQ(ReadFileBytes(target), earlier);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);  // no temporary file left behind
    EXPECT_EQ(Listing(rez), listing);
}
#endif
