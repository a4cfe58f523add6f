#include "../harness/case_name.h"
#include "../harness/file_size_limit.h"
#include "../harness/scratch_folder.h"
#include "file_error.h"
#include "report_file.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* folder;
    const char* name;
    const char* path;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.folder << " + " << c.name;
}

class InputPathFor : public testing::TestWithParam<PathCase> {};

TEST_P(InputPathFor, JoinsFolderAndNameWithOneSeparator) {
    EXPECT_EQ(vantrel::InputPathFor(GetParam().folder, GetParam().name), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Paths, InputPathFor,
                         testing::Values(PathCase{"/rx", "log1.txt", "/rx/log1.txt"},
                                         PathCase{"/rx/", "log1.txt", "/rx/log1.txt"},
                                         PathCase{"/", "rx.txt", "/rx.txt"},
                                         PathCase{"", "rx.txt", "rx.txt"}),
                         [](const auto& info) -> std::string {
                             const std::string_view folder = info.param.folder;
                             if (folder.empty())
                                 return "NoFolder";
                             if (folder == "/")
                                 return "RootFolder";
                             return folder.ends_with('/') ? "FolderEndingInSlash"
                                                          : "FolderWithoutSlash";
                         });

struct ReportNameCase {
    const char* input;
    std::optional<std::string> report;
};

void PrintTo(const ReportNameCase& c, std::ostream* out) {
    *out << '"' << c.input << '"';
}

class ReportFileName : public testing::TestWithParam<ReportNameCase> {};

TEST_P(ReportFileName, ReplacesTheExtensionOfTheFileName) {
    EXPECT_EQ(vantrel::ReportFileName(GetParam().input), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReportFileName,
    testing::Values(ReportNameCase{"/rx/log1.txt", "/rx/log1-decoded.txt"},
                    ReportNameCase{"/rx/rx.2010.txt", "/rx/rx.2010-decoded.txt"},
                    ReportNameCase{"log1.txt", "log1-decoded.txt"},
                    ReportNameCase{"/rx/file.", "/rx/file-decoded.txt"},
                    ReportNameCase{"/rx/.txt", "/rx/-decoded.txt"},
                    ReportNameCase{"/home/a.b/file.txt", "/home/a.b/file-decoded.txt"},
                    ReportNameCase{"/rx/log1", std::nullopt},
                    // A "." in a folder name alone would send the report elsewhere.
                    ReportNameCase{"/home/a.b/file", std::nullopt},
                    ReportNameCase{"./rx", std::nullopt}, ReportNameCase{"-", std::nullopt},
                    ReportNameCase{"", std::nullopt}),
    [](const auto& info) { return case_name::Words(info.param.input); });

// A sound file and the bit text of its name each keep a report; every other name stays.
struct SavedNameCase {
    const char* name;
    const char* input;
    std::vector<std::string> beside; // files in the input's folder; a "/" at the end: a folder
    std::optional<std::string> report;
};

void PrintTo(const SavedNameCase& c, std::ostream* out) {
    *out << c.input;
}

class SavedReportFileName : public testing_files::ScratchFolder,
                            public testing::WithParamInterface<SavedNameCase> {};

TEST_P(SavedReportFileName, DiffersOnlyForASoundFileBesideItsBitText) {
    for (const std::string& name : GetParam().beside) {
        if (name.ends_with('/'))
            std::filesystem::create_directory(PathOf(name));
        else
            WriteFile(PathOf(name), "0101");
    }
    const std::optional<std::string> expected =
        GetParam().report ? std::optional(PathOf(*GetParam().report)) : std::nullopt;
    EXPECT_EQ(vantrel::SavedReportFileName(PathOf(GetParam().input)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SavedReportFileName,
    testing::Values(
        SavedNameCase{"SoundBesideItsBitText",
                      "scanner.wav",
                      {"scanner.wav", "scanner.txt"},
                      "scanner.wav-decoded.txt"},
        SavedNameCase{"BitTextBesideItsSound",
                      "scanner.txt",
                      {"scanner.wav", "scanner.txt"},
                      "scanner-decoded.txt"},
        SavedNameCase{"SoundAlone", "scanner.wav", {"scanner.wav"}, "scanner-decoded.txt"},
        SavedNameCase{"SoundBesideAnotherName",
                      "scanner.wav",
                      {"scanner.wav", "other.txt"},
                      "scanner-decoded.txt"},
        SavedNameCase{"SoundBesideAFolderOfTheName",
                      "scanner.wav",
                      {"scanner.wav", "scanner.txt/"},
                      "scanner-decoded.txt"},
        SavedNameCase{"NoExtension", "scanner", {"scanner", "scanner.txt"}, std::nullopt}),
    [](const testing::TestParamInfo<SavedNameCase>& info) { return std::string(info.param.name); });

TEST(FileNamePart, IsWhatFollowsTheLastSeparator) {
    EXPECT_EQ(vantrel::FileNamePart("/rx/log1-decoded.txt"), "log1-decoded.txt");
    EXPECT_EQ(vantrel::FileNamePart("log1-decoded.txt"), "log1-decoded.txt");
    EXPECT_EQ(vantrel::FileNamePart("/a.b/c/rx"), "rx");
    EXPECT_EQ(vantrel::FileNamePart("/rx/"), "");
}

TEST(SavedStatusText, NamesTheReportWithoutItsFolder) {
    EXPECT_EQ(vantrel::SavedStatusText("/rx/log1-decoded.txt"),
              "Decoded file saved as log1-decoded.txt");
    EXPECT_EQ(vantrel::SavedStatusText("log1-decoded.txt"),
              "Decoded file saved as log1-decoded.txt");
}

using SaveReport = testing_files::ScratchFolder;

TEST_F(SaveReport, WritesTheReportAndOneMoreLineEnd) {
    const std::string report = PathOf("rx-decoded.txt");
    vantrel::SaveReport(report, "Blocks Found:0\r\n");
    EXPECT_EQ(ReadFile(report), "Blocks Found:0\r\n\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"rx-decoded.txt"});
}

TEST_F(SaveReport, SavingAgainReplacesTheWholeFile) {
    const std::string report = PathOf("rx-decoded.txt");
    vantrel::SaveReport(report, std::string(5000, 'L') + "\r\n");
    vantrel::SaveReport(report, "short\r\n");
    EXPECT_EQ(ReadFile(report), "short\r\n\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"rx-decoded.txt"});
}

TEST_F(SaveReport, KeepsEveryByte) {
    std::string text;
    for (int code = 0; code < 256; ++code) {
        text.push_back(static_cast<char>(code));
    }
    const std::string report = PathOf("bytes-decoded.txt");
    vantrel::SaveReport(report, text);
    EXPECT_EQ(ReadFile(report), text + "\r\n");
}

TEST_F(SaveReport, ReplacedReportKeepsItsAccessRights) {
    const std::string report = PathOf("rx-decoded.txt");
    vantrel::SaveReport(report, "first");
    std::filesystem::permissions(report, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write);
    vantrel::SaveReport(report, "second");
    EXPECT_EQ(std::filesystem::status(report).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(ReadFile(report), "second\r\n");
}

TEST_F(SaveReport, FolderWhereTheReportShouldBeIsLeftAlone) {
    const std::string report = PathOf("rx-decoded.txt");
    std::filesystem::create_directory(report);
    WriteFile(PathOf("rx-decoded.txt/inside.txt"), "keep me");
    try {
        vantrel::SaveReport(report, "report");
        FAIL() << "saved over a folder";
    } catch (const vantrel::FileError& error) {
        EXPECT_EQ(error.path(), report);
        EXPECT_EQ(error.description(), "Is a directory");
    }
    EXPECT_EQ(ReadFile(PathOf("rx-decoded.txt/inside.txt")), "keep me");
    EXPECT_EQ(Entries(), std::vector<std::string>{"rx-decoded.txt"}) << "temporary file left";
}

struct SaveFailure {
    const char* name;
    const char* report; // within the scratch folder
    const char* description;
};

void PrintTo(const SaveFailure& c, std::ostream* out) {
    *out << c.report;
}

class SaveReportFailure : public testing_files::ScratchFolder,
                          public testing::WithParamInterface<SaveFailure> {};

TEST_P(SaveReportFailure, ThrowsWithReportPathAndSystemDescription) {
    WriteFile(PathOf("plain.txt"), "0101");
    const std::string report = PathOf(GetParam().report);
    try {
        vantrel::SaveReport(report, "report");
        FAIL() << "no error for " << report;
    } catch (const vantrel::FileError& error) {
        EXPECT_EQ(error.path(), report);
        EXPECT_EQ(error.description(), GetParam().description);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"plain.txt"});
    EXPECT_EQ(ReadFile(PathOf("plain.txt")), "0101");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SaveReportFailure,
    testing::Values(
        SaveFailure{"MissingFolder", "missing/rx-decoded.txt", "No such file or directory"},
        SaveFailure{"FolderIsAPlainFile", "plain.txt/rx-decoded.txt", "Not a directory"}),
    [](const testing::TestParamInfo<SaveFailure>& info) { return std::string(info.param.name); });

// A save that breaks off half-way (here: the process may write no more than 1000 bytes to a
// file, which stops even the superuser) must leave the previous report as it was.
TEST_F(SaveReport, SaveFailingHalfWayKeepsThePreviousReport) {
    const std::string report = PathOf("rx-decoded.txt");
    vantrel::SaveReport(report, "previous");
    std::string description;
    testing_files::WithFileSizeLimit(1000, [&] {
        try {
            vantrel::SaveReport(report, std::string(100000, 'x'));
        } catch (const vantrel::FileError& error) {
            description = error.description();
        }
    });
    EXPECT_EQ(description, "File too large");
    EXPECT_EQ(ReadFile(report), "previous\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"rx-decoded.txt"}) << "temporary file left";
}

// A report written in pieces replaces the earlier one only once it is whole; a save given up
// on (an error during the decode) leaves the earlier report and nothing else.
TEST_F(SaveReport, AReportInPiecesReplacesTheEarlierOneOnlyWhenCommitted) {
    const std::string report = PathOf("rx-decoded.txt");
    vantrel::SaveReport(report, "earlier");
    const std::string text = "Blocks Found:1\r\n" + std::string(300000, 'b');
    {
        vantrel::ReportFile file(report);
        file.Write(text.substr(0, 5));
        file.Write(text.substr(5));
        EXPECT_EQ(ReadFile(report), "earlier\r\n");
        file.Commit();
    }
    EXPECT_EQ(ReadFile(report), text + "\r\n");
    {
        vantrel::ReportFile abandoned(report);
        abandoned.Write("half a report");
    }
    EXPECT_EQ(ReadFile(report), text + "\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"rx-decoded.txt"}) << "temporary file left";
}

// The temporary name does not grow with the report's, so a long but valid name still saves.
TEST_F(SaveReport, ReportNameNearTheLengthLimitStillSaves) {
    const std::string name = std::string(240, 'r') + "-decoded.txt";
    vantrel::SaveReport(PathOf(name), "long");
    EXPECT_EQ(ReadFile(PathOf(name)), "long\r\n");
}

} // namespace
