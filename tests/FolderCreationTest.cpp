// Folder creation: missing parents, the codes and messages of each failure,
// and the recursion ending where the system keeps saying a parent is missing.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "platform/Folders.h"
#include "util/utils.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const std::string S(1, kPathSeparator);

const std::string kFeedback =
    "Unknown error code. Please, contact me and I'll implement it. Thanks for feedback!\n\n";

std::string NotHandledText(int code, const std::string& path)
{
    return "CreateFolder Error code is not handled!!! Error code: " + std::to_string(code) +
           "  Path:\n" + path + "\n\n";
}

std::string InvalidNameText(const std::string& path)
{
    return "Trying to create a directory with an invalid name:\n  " + path + "\n\n";
}

}  // namespace

TEST(FolderCreation, ParentIsFoundAtTheLastSeparatorPassingOverOneTrailing)
{
    struct Case {
        const char* path;
        const char* parent;
    };
    const Case cases[] = {
        {"out/a/b/", "out/a/"},
        {"out/a/b", "out/a/"},
        {"out/a//", "out/a/"},  // only one trailing separator is passed over
        {"out/", ""},
        {"out", ""},
        {"/", ""},
        {"", ""},
        {"/x", "/"},
#ifdef _WIN32
        {"out\\a/b\\", "out\\a/"},
        {"C:\\x\\", "C:\\"},
#else
        {"out\\a", ""},  // a backslash is a name byte here
#endif
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParentFolderOf(c.path), c.parent) << c.path;
}

TEST(FolderCreation, MakesEveryMissingLevelAndSaysNothing)
{
    ScratchDir dir;
    WriteFileBytes(dir.Path("file"), "x");
    fs::create_directory(dir.Path("exists"));
    const std::string cases[] = {
        dir.Path("out" + S + "a" + S + "b" + S),  // three missing levels
        dir.Path("exists"),                       // already there
        dir.Path("exists" + S),
        dir.Path("file"),                         // a file counts as existing
        dir.Path("new" + S + "sub" + S + S),      // trailing double separator
        dir.Path("mixed/a\\b/"),                  // both kinds on Windows; names elsewhere
    };
    for (const std::string& path : cases) {
        int code = -1;
        std::string out = CaptureStdout([&] { code = CreateFolder(path); });
        EXPECT_EQ(code, 0) << path;
        EXPECT_EQ(out, "") << path;
    }
    EXPECT_TRUE(fs::is_directory(dir.Path("out/a/b")));
    EXPECT_TRUE(fs::is_directory(dir.Path("new/sub")));
    EXPECT_TRUE(fs::is_regular_file(dir.Path("file")));
#ifdef _WIN32
    EXPECT_TRUE(fs::is_directory(dir.Path("mixed/a/b")));
#else
    EXPECT_TRUE(fs::is_directory(dir.Path("mixed/a\\b")));
#endif
}

TEST(FolderCreation, RejectedNameIsReportedByCreateFolderOnly)
{
    ScratchDir dir;
#ifdef _WIN32
    const std::string path = dir.Path("bad?name");
#else
    const std::string path = dir.Path(std::string(300, 'n'));
#endif
    int code = -1;
    std::string out = CaptureStdout([&] { code = CreateFolder_Wrapper(path); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out, "");
    out = CaptureStdout([&] { code = CreateFolder(path); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out, InvalidNameText(path));
}

TEST(FolderCreation, ParentThatIsAFileIsNotHandled)
{
    ScratchDir dir;
    WriteFileBytes(dir.Path("file"), "x");
    const std::string path = dir.Path("file" + S + "x" + S);
    int code = -1;
    std::string out = CaptureStdout([&] { code = CreateFolder(path); });
    EXPECT_EQ(code, 2);
#ifdef _WIN32
    // The system says the parent is missing although it exists: the second
    // attempt gives up instead of starting over.
    EXPECT_EQ(out, NotHandledText(3, path) + kFeedback + kFeedback);  // ERROR_PATH_NOT_FOUND
#else
    EXPECT_EQ(out, NotHandledText(ENOTDIR, path) + kFeedback);
#endif
    EXPECT_FALSE(fs::is_directory(dir.Path("file/x")));
}

#ifndef _WIN32
TEST(FolderCreation, FailureAtAMissingLevelIsReportedByEveryEnclosingLevel)
{
    ScratchDir dir;
    const std::string top = dir.Path("missing/");
    const std::string bad = top + std::string(300, 'n') + "/";
    const std::string path = bad + "x/";
    int code = -1;
    std::string out = CaptureStdout([&] { code = CreateFolder(path); });
    EXPECT_EQ(code, 1);
    // The bad level fails on its second attempt (reported there and by its
    // own call), then the level that asked for it reports with its path.
    EXPECT_EQ(out, InvalidNameText(bad) + InvalidNameText(bad) + InvalidNameText(path));
    EXPECT_TRUE(fs::is_directory(top));  // made before the failure, left there
}

TEST(FolderCreation, RecursionEndsWhenTheParentExistsButIsStillMissing)
{
    ScratchDir dir;
    // mkdir through a dangling link says "no such file", while the link
    // itself counts as existing.
    ASSERT_EQ(symlink("nowhere", dir.Path("dangling").c_str()), 0);
    const std::string path = dir.Path("dangling/x/");
    int code = -1;
    std::string out = CaptureStdout([&] { code = CreateFolder(path); });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(out, NotHandledText(ENOENT, path) + kFeedback + kFeedback);
}

TEST(FolderCreation, RecursionEndsWhenNoParentIsLeft)
{
    ScratchDir dir;
    fs::create_directory(dir.Path("gone"));
    const fs::path saved = fs::current_path();
    ASSERT_EQ(chdir(dir.Path("gone").c_str()), 0);
    rmdir(dir.Path("gone").c_str());  // the current folder no longer exists
    int code = -1;
    std::string out = CaptureStdout([&] { code = CreateFolder("x"); });
    fs::current_path(saved);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(out, NotHandledText(ENOENT, "x") + kFeedback);
}

TEST(FolderCreation, UnhandledErrorAtAParentIsReportedOnceAndFedBackByEachLevel)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    ScratchDir dir;
    fs::create_directory(dir.Path("locked"));
    chmod(dir.Path("locked").c_str(), 0555);
    const std::string path = dir.Path("locked/a/b/");
    int code = -1;
    std::string out = CaptureStdout([&] { code = CreateFolder(path); });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(out, NotHandledText(EACCES, dir.Path("locked/a/")) + kFeedback + kFeedback);
}
#endif
