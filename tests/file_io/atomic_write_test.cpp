#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "atomic_write.h"
#include "bounded_file.h"
#include "file_text.h"
#include "stale_temporaries.h"
#include "temp_dir.h"

namespace qorv::file_io {
namespace {

using qorv::testing::TempDir;

size_t entries(const TempDir& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
    return n;
}

TEST(AtomicWrite, ReplacesTheFileWholeWithItsModeAndNoTemporaryLeft) {
    TempDir dir;
    const std::string path = dir.file("QHwmset");
    WriteError error;
    ASSERT_TRUE(writeFileAtomically(path, "old\r\n", 0644, error)) << error.reason;
    ::chmod(path.c_str(), 0600);
    const std::string bytes("new\0text\r\n", 10);
    ASSERT_TRUE(writeFileAtomically(path, bytes, 0644, error)) << error.reason;
    EXPECT_EQ(qorv::testing::fileText(path), bytes);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // the replaced file's mode stays
    EXPECT_EQ(entries(dir), 1u);
}

TEST(AtomicWrite, WritesThroughALinkAndKeepsTheGroup) {
    TempDir dir;
    const std::string target = dir.file("QHwmset.real");
    const std::string link = dir.file("QHwmset");
    WriteError error;
    ASSERT_TRUE(writeFileAtomically(target, "old", 0640, error)) << error.reason;
    std::filesystem::create_symlink("QHwmset.real", link);
    // Root may give the file to any group; others keep whatever group they may set.
    const gid_t group = ::geteuid() == 0 ? gid_t(100) : ::getegid();
    ASSERT_EQ(::chown(target.c_str(), uid_t(-1), group), 0);

    ASSERT_TRUE(writeFileAtomically(link, "new", 0644, error)) << error.reason;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(qorv::testing::fileText(target), "new");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(entries(dir), 2u);
}

TEST(StaleTemporaries, OnlyAnInterruptedWritesLeftoversGo) {
    TempDir dir;
    const std::string path = dir.file("QHwmset");
    for (const char* name : {"QHwmset", "QHwmset.a1B2c3", "QHwmset.zzzzzz", "QHwmset.abc12", "QHwmset.abc1234",
                             "QHwmset.unreadable-0123456789abcdef", "QHwmset.ab-c12", "Other.a1B2c3"})
        std::ofstream(dir.file(name)) << "x";
    EXPECT_EQ(removeStaleTemporaries(path), 2);
    EXPECT_EQ(entries(dir), 6u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("QHwmset.a1B2c3")));
}

TEST(BoundedFile, OpensOnlyRegularFilesOfBoundedSize) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);  // opening it would wait for a writer
    std::filesystem::create_symlink("/dev/zero", dir.file("zero"));
    std::ofstream(dir.file("small")) << "12345";
    std::ofstream(dir.file("large")) << std::string(kTextFileLimit + 1, 'x');
    std::string limit;  // read in several steps: every byte in its place
    for (size_t i = 0; i < kTextFileLimit; ++i) limit += char('a' + i % 23);
    std::ofstream(dir.file("limit")) << limit;
    const struct {
        const char* name;
        OpenFault fault;
        std::string content;
    } cases[] = {
        {"small", OpenFault::None, "12345"}, {"limit", OpenFault::None, limit},
        {"large", OpenFault::TooLarge, ""},  {"fifo", OpenFault::NotRegular, ""},
        {"zero", OpenFault::NotRegular, ""}, {"absent", OpenFault::Missing, ""},
        {"", OpenFault::NotRegular, ""},
    };
    for (const auto& c : cases) {
        std::string bytes = "stale";
        EXPECT_EQ(readBoundedFile(dir.file(c.name), bytes), c.fault) << c.name;
        EXPECT_TRUE(bytes == c.content) << c.name;
    }
}

TEST(AtomicWrite, SaysWhichStepFailedAndLeavesNoTemporary) {
    TempDir dir;
    WriteError error;
    EXPECT_FALSE(writeFileAtomically(dir.file("absent/QHwmset"), "x", 0644, error));
    EXPECT_EQ(error.step, WriteStep::Create);
    EXPECT_FALSE(error.reason.empty());

    // A folder in the target's place: the rename fails, the folder stays as it was.
    std::filesystem::create_directory(dir.file("QHwmset"));
    std::filesystem::create_directory(dir.file("QHwmset/inside"));
    EXPECT_FALSE(writeFileAtomically(dir.file("QHwmset"), "x", 0644, error));
    EXPECT_EQ(error.step, WriteStep::Write);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("QHwmset/inside")));
    EXPECT_EQ(entries(dir), 1u);
}

}  // namespace
}  // namespace qorv::file_io
