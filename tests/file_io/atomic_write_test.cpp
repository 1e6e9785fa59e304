#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "atomic_write.h"
#include "file_text.h"
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
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(entries(dir), 1u);
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
