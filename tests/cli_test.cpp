// The built tool's command line, its checks before the clip, and the header copy: exact standard
// output, exit status, and what becomes of both files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

using test::USAGE;

constexpr int FAILED = 255;  // -1 as an 8-bit exit status

// Runs the tool in a folder that holds a valid input "in.qvt" and an output "out.qvt" that
// existed before with other content.
class Cli : public testing::Test {
   protected:
    void SetUp() override {
        input = test::qvt_file(
            test::make_header(64, 2, 2, "cli"),
            {test::make_record(0, 0, 1), test::make_record(5, 9, 2), test::make_record(4, 3, 3)});
        test::write_file(in_path, input);
        test::write_file(out_path, "previous content");
    }

    // Expects the input untouched and the output as it was before the run.
    void expect_files_untouched() {
        EXPECT_EQ(test::read_file(in_path), input);
        EXPECT_EQ(test::read_file(out_path), "previous content");
    }

    static void expect_result(const test::RunResult& result, const std::string& out, int status) {
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.err, "");
    }

    test::TempDir dir;
    std::string in_path = dir / "in.qvt";
    std::string out_path = dir / "out.qvt";
    std::string input;
};

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
};

class Usage : public Cli, public testing::WithParamInterface<UsageCase> {};

// The usage text and -1, and no file opened or created, even where the named files exist.
TEST_P(Usage, PrintsUsageAndTouchesNothing) {
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg == "IN" || arg == "OUT" || arg == "NEW") {
            arg = dir / (arg == "IN" ? "in.qvt" : arg == "OUT" ? "out.qvt" : "new.qvt");
        }
    }
    test::write_file(dir / "help", input);
    expect_result(test::run_tool(args), USAGE, FAILED);
    expect_files_untouched();
    EXPECT_FALSE(std::filesystem::exists(dir / "new.qvt"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, Usage,
    testing::Values(UsageCase{"None", {}}, UsageCase{"Five", {"IN", "NEW", "0", "9", "9"}},
                    UsageCase{"Seven", {"IN", "NEW", "0", "9", "9", "0", "1"}},
                    UsageCase{"QuestionMark", {"-?", "NEW", "0", "9", "9", "0"}},
                    UsageCase{"Help", {"help", "NEW", "0", "9", "9", "0"}},
                    UsageCase{"HelpWithFiveMore", {"help", "IN", "NEW", "0", "9", "9"}}),
    test::CaseName());

// A help word must be the whole first argument, in lower case: "help" as the only argument is a
// wrong count, and "HELP" is an input name.
TEST_F(Cli, OtherSpellingsOfHelpAreInputNames) {
    for (const std::string word : {"HELP", "Help", "-h", "/?", "--help", "help "}) {
        expect_result(test::run_tool({word, out_path, "0", "9", "9", "0"}),
                      "ERROR: Can't open input file " + word + " for reading!", FAILED);
    }
    expect_files_untouched();
}

// A help word in the middle of the line is no help word.
TEST_F(Cli, HelpWordLaterIsAnOutputName) {
    const test::RunResult result =
        test::run_shell("cd " + test::shell_quote(dir.path.string()) + " && " +
                        test::shell_quote(test::tool_path()) + " in.qvt help 0 9 9 0");
    EXPECT_EQ(result.out, test::run_output("in.qvt", 3, 3, 3, "help"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(test::read_file(dir / "help"), input);
}

TEST_F(Cli, MissingInputIsReportedBeforeTheRectangle) {
    const std::string missing = dir / "missing.qvt";
    expect_result(test::run_tool({missing, out_path, "5", "9", "4", "3"}),
                  "ERROR: Can't open input file " + missing + " for reading!", FAILED);
    expect_files_untouched();
}

TEST_F(Cli, EmptyInputNameLeavesTwoBlanks) {
    expect_result(test::run_tool({"", out_path, "0", "9", "9", "0"}),
                  "ERROR: Can't open input file  for reading!", FAILED);
    expect_files_untouched();
}

TEST_F(Cli, DirectoryAsInputCannotBeOpened) {
    expect_result(test::run_tool({dir.path.string(), out_path, "0", "9", "9", "0"}),
                  "ERROR: Can't open input file " + dir.path.string() + " for reading!", FAILED);
    expect_files_untouched();
}

struct RectangleCase {
    const char* name;
    std::vector<std::string> coordinates;
};

class InvalidRectangle : public Cli, public testing::WithParamInterface<RectangleCase> {};

// The existing output keeps its length and content; a missing one is not created.
TEST_P(InvalidRectangle, IsRefusedBeforeTheOutputIsOpened) {
    const std::string new_path = dir / "new.qvt";
    for (const std::string& output : {out_path, new_path}) {
        std::vector<std::string> args{in_path, output};
        args.insert(args.end(), GetParam().coordinates.begin(), GetParam().coordinates.end());
        expect_result(test::run_tool(args), "ERROR: Incorrect coordinates!", FAILED);
    }
    expect_files_untouched();
    EXPECT_FALSE(std::filesystem::exists(new_path));
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, InvalidRectangle,
    testing::Values(RectangleCase{"EastingsSwapped", {"5", "9", "4", "3"}},
                    RectangleCase{"NorthingsSwapped", {"4", "3", "5", "9"}},
                    RectangleCase{"OneUlpApart", {"1.0000000000000002", "0", "1", "0"}},
                    RectangleCase{"InfinitiesSwapped", {"1e999", "0", "-1e999", "0"}},
                    RectangleCase{"XminYminXmaxYmax", {"0", "0", "9", "9"}}),
    test::CaseName());

struct ValidRectangle {
    const char* name;
    std::vector<std::string> coordinates;
    std::vector<int> kept;  // indexes of the fixture's records: (0,0) (5,9) (4,3)
};

class AcceptedRectangle : public Cli, public testing::WithParamInterface<ValidRectangle> {};

TEST_P(AcceptedRectangle, ClipsToIt) {
    std::vector<std::string> args{in_path, out_path};
    args.insert(args.end(), GetParam().coordinates.begin(), GetParam().coordinates.end());
    const test::RunResult result = test::run_tool(args);
    const std::string header = input.substr(0, 64);
    std::string expected = header;
    for (const int index : GetParam().kept) {
        expected += input.substr(64 + 43 * static_cast<std::size_t>(index), 43);
    }
    expect_result(result,
                  test::run_output(in_path, 3, 3, static_cast<std::int64_t>(GetParam().kept.size()),
                                   out_path),
                  0);
    EXPECT_EQ(test::read_file(out_path), expected);
    EXPECT_EQ(test::read_file(in_path), input);
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, AcceptedRectangle,
    testing::Values(ValidRectangle{"SinglePoint", {"5", "9", "5", "9"}, {1}},
                    ValidRectangle{"WordsMeanZero", {"north", "south", "east", "west"}, {0}},
                    ValidRectangle{
                        "AllFinitePoints", {"-1e999", "1e999", "1e999", "-1e999"}, {0, 1, 2}},
                    ValidRectangle{"ExponentsAndSigns", {"+.4D1", "0.9e1", "5e0", "3E-0"}, {1, 2}},
                    ValidRectangle{"TextAfterNumbers", {"4m", "9 ", "5,5", "3;"}, {1, 2}}),
    test::CaseName());

TEST_F(Cli, OutputThatCannotBeOpened) {
    const std::string nowhere = dir / "no/such/dir/out.qvt";
    expect_result(test::run_tool({in_path, nowhere, "0", "9", "9", "0"}),
                  "ERROR: Can't open output file " + nowhere + " for writing!", FAILED);
    expect_files_untouched();
}

// Opening the output would empty the input: refused under any name for the same file.
TEST_F(Cli, OutputThatIsTheInputIsRefused) {
    ASSERT_EQ(::link(in_path.c_str(), (dir / "hard.qvt").c_str()), 0);
    ASSERT_EQ(::symlink(in_path.c_str(), (dir / "soft.qvt").c_str()), 0);
    std::filesystem::create_directory(dir / "sub");
    for (const std::string& output :
         {in_path, dir / "hard.qvt", dir / "soft.qvt", dir / "sub/../in.qvt", dir / "./in.qvt"}) {
        expect_result(
            test::run_tool({in_path, output, "0", "9", "9", "0"}),
            "ERROR: Input file " + in_path + " and output file " + output + " are the same file!\n",
            FAILED);
    }
    // The same through a symbolic link given as the input.
    const std::string soft = dir / "soft.qvt";
    expect_result(
        test::run_tool({soft, in_path, "0", "9", "9", "0"}),
        "ERROR: Input file " + soft + " and output file " + in_path + " are the same file!\n",
        FAILED);
    expect_files_untouched();
}

struct HeaderCase {
    const char* name;
    std::string file;      // the whole input
    std::string expected;  // what the tool prints, with IN for the input's name
};

std::string replace_name(std::string text, const std::string& name) {
    const std::size_t at = text.find("IN");
    return at == std::string::npos ? text : text.replace(at, 2, name);
}

// The 8-byte prefix alone, whatever size it claims.
std::string prefix(std::int32_t size, std::int16_t major, std::int16_t minor) {
    std::string bytes;
    qvt_writer::put_le(bytes, size);
    qvt_writer::put_le(bytes, major);
    qvt_writer::put_le(bytes, minor);
    return bytes;
}

class BadHeader : public Cli, public testing::WithParamInterface<HeaderCase> {};

// Each refused header prints one message, ends with -1 and leaves an empty output, even where
// the output held something before.
TEST_P(BadHeader, IsRefusedWithAnEmptyOutput) {
    test::write_file(in_path, GetParam().file);
    expect_result(test::run_tool({in_path, out_path, "-1e999", "1e999", "1e999", "-1e999"}),
                  replace_name(GetParam().expected, in_path), FAILED);
    EXPECT_EQ(test::read_file(in_path), GetParam().file);
    EXPECT_EQ(test::read_file(out_path), "");
}

const std::string RECORD = test::record_bytes(test::make_record(1, 1));
const std::string VERSION_21 =
    "ERROR: File is in qvt format version 2.1. Only qvt version 2.2 supported!\n";

INSTANTIATE_TEST_SUITE_P(
    Headers, BadHeader,
    testing::Values(
        HeaderCase{"Version21", test::make_header(512, 2, 1) + RECORD, VERSION_21},
        HeaderCase{"Version32", test::make_header(512, 3, 2) + RECORD,
                   "ERROR: File is in qvt format version 3.2. Only qvt version 2.2 supported!\n"},
        HeaderCase{"BigEndianVersion", test::make_header(512, 512, 512) + RECORD,
                   "ERROR: File is in qvt format version 512.512. Only qvt version 2.2 "
                   "supported!\n"},
        HeaderCase{"NegativeVersion", test::make_header(512, -1, -32768) + RECORD,
                   "ERROR: File is in qvt format version -1.-32768. Only qvt version 2.2 "
                   "supported!\n"},
        HeaderCase{"WrongVersionNegativeSize", prefix(-5, 2, 1), VERSION_21},
        HeaderCase{"WrongVersionHugeSize", prefix(0x7FFFFFFF, 2, 1) + "body", VERSION_21},
        HeaderCase{"Empty", "", "ERROR: Can't read header of input file IN!\n"},
        HeaderCase{"ShortPrefix", prefix(8, 2, 1).substr(0, 7),
                   "ERROR: Can't read header of input file IN!\n"},
        HeaderCase{"EndsInsideBody", test::make_header(1000, 2, 2, "x").substr(0, 999),
                   "ERROR: Can't read header of input file IN!\n"},
        HeaderCase{"LargestSizeShortFile", prefix(0x7FFFFFFF, 2, 2) + RECORD,
                   "ERROR: Can't read header of input file IN!\n"},
        HeaderCase{"SizeZero", prefix(0, 2, 2) + RECORD,
                   "ERROR: Incorrect header size 0 in input file IN!\n"},
        HeaderCase{"SizeSeven", prefix(7, 2, 2) + RECORD,
                   "ERROR: Incorrect header size 7 in input file IN!\n"},
        HeaderCase{"SizeNegative", prefix(-1, 2, 2) + RECORD,
                   "ERROR: Incorrect header size -1 in input file IN!\n"},
        HeaderCase{"SizeLowest", prefix(-2147483647 - 1, 2, 2) + RECORD,
                   "ERROR: Incorrect header size -2147483648 in input file IN!\n"}),
    test::CaseName());

struct GoodHeader {
    const char* name;
    std::string header;
};

class HeaderCopy : public Cli, public testing::WithParamInterface<GoodHeader> {};

// The header reaches the output byte for byte, and the first record follows directly after it,
// whatever the body holds.
TEST_P(HeaderCopy, IsCopiedUnchanged) {
    const std::string& header = GetParam().header;
    const std::string records = test::qvt_file(
        "", {test::make_record(1, 1, 7), test::make_record(50, 50, 8), test::make_record(2, 2, 9)});
    test::write_file(in_path, header + records);
    const test::RunResult result = test::run_tool({in_path, out_path, "0", "10", "10", "0"});
    expect_result(result, test::run_output(in_path, 3, 3, 2, out_path), 0);
    EXPECT_EQ(test::read_file(out_path), header + records.substr(0, 43) + records.substr(86));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderCopy,
    testing::Values(GoodHeader{"PrefixOnly", test::make_header(8)},
                    GoodHeader{"OneBodyByte", test::make_header(9, 2, 2, "\x1A")},
                    GoodHeader{"ZeroBody", test::make_header(1000)},
                    GoodHeader{"TextBody", test::make_header(1000, 2, 2, "survey 2024\r\n")},
                    GoodHeader{"BodyOfRecords",
                               test::make_header(8 + 43 * 3, 2, 2,
                                                 test::record_bytes(test::make_record(1, 1)))}),
    test::CaseName());

// An input that holds its header alone: the estimate is 0 and the output is the header.
TEST_F(Cli, HeaderOnlyInput) {
    const std::string header = test::make_header(512, 2, 2, "only a header");
    test::write_file(in_path, header);
    expect_result(test::run_tool({in_path, out_path, "0", "9", "9", "0"}),
                  test::run_output(in_path, 0, 0, 0, out_path), 0);
    EXPECT_EQ(test::read_file(out_path), header);
}

}  // namespace
