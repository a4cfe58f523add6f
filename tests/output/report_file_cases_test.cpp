// Saving where a plain write and an atomic replace differ: symbolic links, read-only reports
// and read-only folders. The permission cases need an unprivileged user (the superuser may
// write anything); run as root they skip, and CTest runs them again as "nobody".
#include "../harness/file_size_limit.h"
#include "../harness/scratch_folder.h"
#include "file_error.h"
#include "report_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class SaveThroughLink : public testing_files::ScratchFolder {
protected:
    std::vector<std::string> EntriesOf(const std::string& name) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_ / name))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SaveThroughLink, ReplacesTheTargetAndKeepsTheLink) {
    fs::create_directory(PathOf("real"));
    WriteFile(PathOf("real/rx-decoded.txt"), "old");
    fs::create_symlink("real/rx-decoded.txt", PathOf("rx-decoded.txt"));
    vantrel::SaveReport(PathOf("rx-decoded.txt"), "new");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(PathOf("rx-decoded.txt"))));
    EXPECT_EQ(ReadFile(PathOf("real/rx-decoded.txt")), "new\r\n");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"real", "rx-decoded.txt"}));
    EXPECT_EQ(EntriesOf("real"), std::vector<std::string>{"rx-decoded.txt"});
}

TEST_F(SaveThroughLink, FollowsAChainOfLinksAndAbsoluteTargets) {
    fs::create_directory(PathOf("a"));
    fs::create_directory(PathOf("b"));
    WriteFile(PathOf("b/target.txt"), "old");
    fs::create_symlink(PathOf("b/target.txt"), PathOf("a/middle.txt"));
    fs::create_symlink("a/middle.txt", PathOf("rx-decoded.txt"));
    vantrel::SaveReport(PathOf("rx-decoded.txt"), "new");
    EXPECT_EQ(ReadFile(PathOf("b/target.txt")), "new\r\n");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(PathOf("a/middle.txt"))));
    EXPECT_EQ(EntriesOf("b"), std::vector<std::string>{"target.txt"});
}

TEST_F(SaveThroughLink, ALinkToNothingYetCreatesItsTarget) {
    fs::create_directory(PathOf("real"));
    fs::create_symlink("real/rx-decoded.txt", PathOf("rx-decoded.txt"));
    vantrel::SaveReport(PathOf("rx-decoded.txt"), "first");
    EXPECT_EQ(ReadFile(PathOf("real/rx-decoded.txt")), "first\r\n");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(PathOf("rx-decoded.txt"))));
}

TEST_F(SaveThroughLink, ALoopOfLinksFailsWithTheSystemsWords) {
    fs::create_symlink("two", PathOf("one"));
    fs::create_symlink("one", PathOf("two"));
    try {
        vantrel::SaveReport(PathOf("one"), "x");
        FAIL() << "saved into a loop of links";
    } catch (const vantrel::FileError& error) {
        EXPECT_EQ(error.path(), PathOf("one"));
        EXPECT_FALSE(error.description().empty());
    }
    EXPECT_EQ(Entries(), (std::vector<std::string>{"one", "two"}));
}

// Tests that only mean something for a user the permission bits apply to.
class SaveReportAsUser : public testing_files::ScratchFolder {
protected:
    void SetUp() override {
        if (geteuid() == 0)
            GTEST_SKIP() << "the superuser ignores permission bits; CTest runs this as nobody";
        ScratchFolder::SetUp();
        fs::create_directory(PathOf("out"));
        report_ = PathOf("out/rx-decoded.txt");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(PathOf("out"), fs::perms::owner_all, ignored);
        ScratchFolder::TearDown();
    }
    void MakeFolderReadOnly() {
        fs::permissions(PathOf("out"), fs::perms::owner_read | fs::perms::owner_exec);
    }
    std::string SaveError(std::string_view text) {
        try {
            vantrel::SaveReport(report_, text);
        } catch (const vantrel::FileError& error) {
            EXPECT_EQ(error.path(), report_);
            return error.description();
        }
        return "saved";
    }
    std::string report_;
};

TEST_F(SaveReportAsUser, AReadOnlyReportIsRefused) {
    WriteFile(report_, "keep");
    fs::permissions(report_, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(SaveError("new"), "Permission denied");
    EXPECT_EQ(ReadFile(report_), "keep");
    EXPECT_EQ(fs::status(report_).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(SaveReportAsUser, AWritableReportInAReadOnlyFolderIsRewrittenInPlace) {
    WriteFile(report_, std::string(3000, 'o'));
    fs::permissions(report_, fs::perms::owner_read | fs::perms::owner_write);
    MakeFolderReadOnly();
    EXPECT_EQ(SaveError("new"), "saved");
    EXPECT_EQ(ReadFile(report_), "new\r\n");
    EXPECT_EQ(fs::status(report_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SaveReportAsUser, ANewReportInAReadOnlyFolderIsRefused) {
    MakeFolderReadOnly();
    EXPECT_EQ(SaveError("new"), "Permission denied");
    EXPECT_FALSE(fs::exists(report_));
}

// The in-place write breaks off (the process may write no more than 1000 bytes to a file):
// the old text goes back.
TEST_F(SaveReportAsUser, AFailedRewriteInPlacePutsTheOldTextBack) {
    WriteFile(report_, "previous");
    MakeFolderReadOnly();
    std::string description;
    testing_files::WithFileSizeLimit(1000,
                                     [&] { description = SaveError(std::string(100000, 'x')); });
    EXPECT_EQ(description, "File too large");
    EXPECT_EQ(ReadFile(report_), "previous");
}

} // namespace
