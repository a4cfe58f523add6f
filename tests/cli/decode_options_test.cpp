// vantrel-decode's options that each parse but may not go together, what they ask the run
// for, and where a run's reports are saved.
#include "decode_options.h"
#include "input_list.h"
#include "output_formats.h"
#include "program_options.h"
#include "tool_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using vantrel::decode::Options;

struct CombinationCase {
    const char* name;
    Options options;
    const char* problemStart; // nullptr: the options go together
};

// The paths of a run's inputs, as -r found them or as they were named.
std::vector<std::string> Paths(const std::vector<vantrel::decode::Input>& inputs) {
    std::vector<std::string> paths;
    for (const vantrel::decode::Input& input : inputs)
        paths.push_back(input.path);
    return paths;
}

Options With(std::vector<std::string> files, void (*change)(Options&) = nullptr) {
    Options options;
    options.files = std::move(files);
    if (change != nullptr)
        change(options);
    return options;
}

const CombinationCase Combinations[] = {
    {"OneFile", With({"a.txt"}), nullptr},
    {"NoFile", With({}), "FILE is required"},
    {"OutputDirWithoutSave", With({"a.txt"}, [](Options& o) { o.outputDir = "out"; }),
     "--output-dir is where --save"},
    {"SaveWithRecords",
     With({"a.txt"},
          [](Options& o) {
              o.save = true;
              o.format = "csv";
          }),
     "--save writes text reports; it cannot be combined with --format csv"},
    {"FollowStandardInput", With({}, [](Options& o) { o.follow = true; }), nullptr},
    {"FollowJsonLines",
     With({"live.txt"},
          [](Options& o) {
              o.follow = true;
              o.format = "jsonl";
          }),
     nullptr},
    {"FollowTwoFiles", With({"a.txt", "b.txt"}, [](Options& o) { o.follow = true; }),
     "--follow reads one input"},
    {"FollowCsv",
     With({"a.txt"},
          [](Options& o) {
              o.follow = true;
              o.format = "csv";
          }),
     "--follow writes each record as soon as it is final"},
    {"FollowSave",
     With({"a.txt"},
          [](Options& o) {
              o.follow = true;
              o.save = true;
          }),
     "--save saves the report of a whole file: not with --follow"},
    {"FollowRecursive",
     With({"dir"},
          [](Options& o) {
              o.follow = true;
              o.recursive = true;
          }),
     "-r stands for the files in a folder: --follow reads one input"},
};

TEST(CombinationProblem, RefusesOnlyOptionsThatDoNotGoTogether) {
    for (const CombinationCase& c : Combinations) {
        const std::optional<std::string> problem = vantrel::decode::CombinationProblem(c.options);
        if (c.problemStart == nullptr) {
            EXPECT_FALSE(problem.has_value()) << c.name << ": " << problem.value_or("");
            continue;
        }
        ASSERT_TRUE(problem.has_value()) << c.name;
        EXPECT_EQ(problem->rfind(c.problemStart, 0), 0U) << c.name << ": " << *problem;
    }
}

// --follow takes every format the table says it writes and refuses the others, with the
// format's own reason where it has one; each name chooses its row (the text report none).
TEST(CombinationProblem, FollowWritesTheFormatsTheTableSays) {
    for (const vantrel::OutputFormat& format : vantrel::OutputFormats()) {
        Options options = With({"live.txt"});
        options.follow = true;
        options.format = std::string(format.name);
        const std::optional<std::string> problem = vantrel::decode::CombinationProblem(options);
        EXPECT_EQ(problem.has_value(), !format.follows) << format.name;
        if (problem && !format.followRefusal.empty()) {
            EXPECT_NE(problem->find(format.followRefusal), std::string::npos) << *problem;
        }
        EXPECT_EQ(vantrel::decode::ChoiceOf(options).records,
                  format.writer != nullptr ? &format : nullptr)
            << format.name;
    }
}

TEST(ChoiceOf, TakesLevelFormatStatsAndPolarity) {
    Options options = With({"a.txt"});
    options.level = "debug";
    options.format = "geojson";
    options.stats = true;
    options.invert = "yes";
    const vantrel::OutputChoice choice = vantrel::decode::ChoiceOf(options);
    EXPECT_EQ(choice.level, vantrel::ReportLevel::Debug);
    EXPECT_EQ(choice.records, vantrel::OutputFormatNamed("geojson"));
    EXPECT_TRUE(choice.stats);
    EXPECT_EQ(choice.polarity, demod::Polarity::Inverted);

    options.format = "text";
    options.level = "short";
    EXPECT_EQ(vantrel::decode::ChoiceOf(options).records, nullptr);
    EXPECT_EQ(vantrel::decode::ChoiceOf(options).level, vantrel::ReportLevel::Short);
}

TEST(PolarityByName, EachAnswerOfInvert) {
    EXPECT_EQ(vantrel::tool::PolarityByName("yes"), demod::Polarity::Inverted);
    EXPECT_EQ(vantrel::tool::PolarityByName("no"), demod::Polarity::Normal);
    EXPECT_EQ(vantrel::tool::PolarityByName("auto"), demod::Polarity::Auto);
}

// Inputs from different folders with one file name: the first keeps its report name in the
// output folder, the later one is refused and the run's status says so.
TEST(WithoutReportClashes, TheFirstOfOneReportNameKeepsIt) {
    Options options = With({});
    options.save = true;
    options.outputDir = "reports";
    int status = 0;
    const std::vector<std::string> kept =
        Paths(vantrel::decode::WithoutReportClashes({{"day1/scanner.txt", {}},
                                                     {"day2/scanner.txt", {}},
                                                     {"day2/other.txt", {}},
                                                     {"noname", {}}},
                                                    options, status));
    const std::vector<std::string> expected = {"day1/scanner.txt", "day2/other.txt", "noname"};
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(status, vantrel::tool::ExitFileError);
    EXPECT_EQ(vantrel::decode::SavePathFor("day2/scanner.txt", options),
              (std::filesystem::path("reports") / "scanner-decoded.txt").string());

    // Next to their inputs, the same names do not clash.
    options.outputDir.clear();
    status = 0;
    EXPECT_EQ(vantrel::decode::WithoutReportClashes(
                  {{"day1/scanner.txt", {}}, {"day2/scanner.txt", {}}}, options, status)
                  .size(),
              2U);
    EXPECT_EQ(status, 0);
}

// -r: the bit texts and sound beneath a folder, sorted, never the tool's own reports; sound,
// taken for its content, keeps the kind it was told so its decode does not tell it again.
TEST(ExpandInputs, AFolderStandsForItsRecordings) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / "expand-inputs-test";
    fs::remove_all(root);
    fs::create_directories(root / "b");
    for (const char* name : {"b/z.txt", "a.txt", "a-decoded.txt", "notes.md"})
        std::ofstream(root / name) << "0101";
    std::ofstream(root / "b" / "radio.bin", std::ios::binary)
        << std::string("RIFF\x24\0\0\0WAVEfmt ", 16); // sound, by its first bytes

    Options options = With({root.string(), "-"});
    options.recursive = true;
    const std::vector<std::string> expected = {(root / "a.txt").string(),
                                               (root / "b" / "radio.bin").string(),
                                               (root / "b" / "z.txt").string(), "-"};
    int status = 0;
    const std::vector<vantrel::decode::Input> found =
        vantrel::decode::ExpandInputs(options, status);
    EXPECT_EQ(Paths(found), expected);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(found.size(), expected.size());
    EXPECT_EQ(found[1].kind, vantrel::InputKind{vantrel::Content::Sound});
    EXPECT_FALSE(found[0].kind.has_value());

    options.recursive = false; // without -r a folder stays an input, to be refused as one
    EXPECT_EQ(Paths(vantrel::decode::ExpandInputs(options, status)), options.files);
    fs::remove_all(root);
}

// -r follows links to folders: a folder only a link leads to is read through it, a folder of
// the tree is read under its own name and not again through a link, nor is a folder a link
// back up leads to; a broken link is passed over; the run ends.
TEST(ExpandInputs, LinksToFoldersAreFollowedOnce) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / "expand-links-test";
    fs::remove_all(base);
    const fs::path root = base / "root";
    fs::create_directories(root / "day" / "deep");
    fs::create_directories(base / "elsewhere");
    for (const fs::path& file :
         {root / "day" / "a.txt", root / "day" / "deep" / "b.txt", base / "elsewhere" / "c.txt"})
        std::ofstream(file) << "0101";
    fs::create_directory_symlink("../..", root / "day" / "deep" / "up");
    // Sorts before "day": its folder is read under its own name all the same.
    fs::create_directory_symlink("day/deep", root / "an-alias");
    fs::create_directory_symlink("../elsewhere", root / "outside");
    fs::create_directory_symlink("../missing", root / "broken");

    Options options = With({root.string()});
    options.recursive = true;
    int status = 0;
    const std::vector<std::string> expected = {(root / "day" / "a.txt").string(),
                                               (root / "day" / "deep" / "b.txt").string(),
                                               (root / "outside" / "c.txt").string()};
    EXPECT_EQ(Paths(vantrel::decode::ExpandInputs(options, status)), expected);
    EXPECT_EQ(status, 0);
    fs::remove_all(base);
}

} // namespace
