// The Windows build, dozovor.exe, run under Wine. Standard output is a text stream there: every
// "\n" the tool prints arrives as "\r\n", while a lone "\r" stays as it is. Files are binary.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

constexpr int FAILED = 255;  // -1, as Wine reports it

// What a text stream makes of what the tool prints.
std::string text_stream(const std::string& printed) {
    std::string translated;
    for (const char c : printed) {
        translated += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return translated;
}

// The shell command line that runs dozovor.exe under Wine with these arguments.
std::string wine_command(const std::vector<std::string>& args) {
    std::string command = "env WINEPREFIX=" + test::shell_quote(DOZOVOR_WINE_PREFIX) +
                          " WINEDEBUG=-all wine " + test::shell_quote(DOZOVOR_WINDOWS_EXE);
    for (const std::string& arg : args) {
        command += " " + test::shell_quote(arg);
    }
    return command;
}

// Runs dozovor.exe under Wine, in `folder` when one is given. Wine's own messages go to
// standard error, which is therefore not checked.
test::RunResult run_exe(const std::vector<std::string>& args, const std::string& folder = "") {
    std::string command = wine_command(args);
    if (!folder.empty()) {
        command = "cd " + test::shell_quote(folder) + " && " + command;
    }
    return test::run_program({"/bin/sh", "-c", command});
}

using test::USAGE;

class Windows : public testing::Test {
   protected:
    void SetUp() override {
        input = test::qvt_file(
            test::make_header(64, 2, 2, "windows\r\n\x1A"),
            {test::make_record(1, 1, 1), test::make_record(5, 5, 2), test::make_record(2, 2, 3)});
        test::write_file(in_path, input);
    }
    test::TempDir dir;
    std::string in_path = dir / "in.qvt";
    std::string out_path = dir / "out.qvt";
    std::string input;
};

TEST_F(Windows, UsageText) {
    const test::RunResult result = run_exe({"help", out_path, "0", "3", "3", "0"});
    EXPECT_EQ(result.out, text_stream(USAGE));
    EXPECT_EQ(result.status, FAILED);
    EXPECT_EQ(run_exe({}).out, text_stream(USAGE));
}

struct MessageCase {
    const char* name;
    std::string file;               // the input's bytes; empty: no input is written
    std::vector<std::string> args;  // IN and OUT stand for the two paths
    std::string expected;           // what the tool prints, IN and OUT for the names
};

std::string substitute(std::string text, const std::string& in, const std::string& out) {
    for (std::size_t at = text.find("IN"); at != std::string::npos; at = text.find("IN", at)) {
        text.replace(at, 2, in);
        at += in.size();
    }
    for (std::size_t at = text.find("OUT"); at != std::string::npos; at = text.find("OUT", at)) {
        text.replace(at, 3, out);
        at += out.size();
    }
    return text;
}

class Messages : public Windows, public testing::WithParamInterface<MessageCase> {};

// Every message the Windows build can be made to print here, with its line end translated.
TEST_P(Messages, ArePrintedAsOnLinux) {
    const MessageCase& c = GetParam();
    if (!c.file.empty()) {
        test::write_file(in_path, c.file);
    }
    std::vector<std::string> args;
    for (const std::string& arg : c.args) {
        args.push_back(substitute(arg, in_path, out_path));
    }
    const test::RunResult result = run_exe(args);
    EXPECT_EQ(result.out, text_stream(substitute(c.expected, in_path, out_path)));
    EXPECT_EQ(result.status, FAILED);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, Messages,
    testing::Values(MessageCase{"MissingInput",
                                "",
                                {"IN.missing", "OUT", "0", "3", "3", "0"},
                                "ERROR: Can't open input file IN.missing for reading!"},
                    MessageCase{"FolderAsInput",
                                "",
                                {"IN/..", "OUT", "0", "3", "3", "0"},
                                "ERROR: Can't open input file IN/.. for reading!"},
                    MessageCase{"Coordinates",
                                "",
                                {"IN", "OUT", "3", "0", "0", "3"},
                                "ERROR: Incorrect coordinates!"},
                    MessageCase{"OutputFolderMissing",
                                "",
                                {"IN", "OUT/none/out.qvt", "0", "3", "3", "0"},
                                "ERROR: Can't open output file OUT/none/out.qvt for writing!"},
                    MessageCase{"Version",
                                test::make_header(64, 2, 1),
                                {"IN", "OUT", "0", "3", "3", "0"},
                                "ERROR: File is in qvt format version 2.1. Only qvt version 2.2 "
                                "supported!\n"},
                    MessageCase{"ShortHeader",
                                test::make_header(64).substr(0, 40),
                                {"IN", "OUT", "0", "3", "3", "0"},
                                "ERROR: Can't read header of input file IN!\n"},
                    MessageCase{"HeaderSize",
                                test::make_header(8).replace(0, 1, "\x04"),
                                {"IN", "OUT", "0", "3", "3", "0"},
                                "ERROR: Incorrect header size 4 in input file IN!\n"}),
    test::CaseName());

// The same file through other names: the case differs (Windows names ignore it) or the path
// takes a detour. The input is left as it was.
TEST_F(Windows, SameFileThroughASecondPath) {
    std::filesystem::create_directory(dir.path / "sub");
    for (const std::string& output : {dir / "IN.QVT", dir / "sub/../in.qvt", dir / "./in.qvt"}) {
        const test::RunResult result = run_exe({in_path, output, "0", "3", "3", "0"});
        EXPECT_EQ(result.out, text_stream("ERROR: Input file " + in_path + " and output file " +
                                          output + " are the same file!\n"));
        EXPECT_EQ(result.status, FAILED);
    }
    EXPECT_EQ(test::read_file(in_path), input);
}

// Records holding 0D 0A and 1A bytes pass untouched: both files are binary.
TEST_F(Windows, LineEndBytesInRecordsPassUntouched) {
    std::string data = test::qvt_file(
        test::make_header(9, 2, 2, "\x1A"),
        {test::make_record(1, 1, 1), test::make_record(9, 9, 2), test::make_record(2, 2, 3)});
    data.replace(9, 8, "\r\n\x1A\r\n\x1A\n\r");
    data.replace(9 + 86 + 32, 11, "\x1A\x1A\r\n\r\n\n\n\r\r\x1A");
    test::write_file(in_path, data);
    const test::RunResult result = run_exe({in_path, out_path, "0", "3", "3", "0"});
    EXPECT_EQ(result.out, text_stream(test::run_output(in_path, 3, 3, 2, out_path)));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(test::read_file(out_path), data.substr(0, 9 + 43) + data.substr(9 + 86));
}

// The progress lines end with a lone "\r", which a text stream leaves alone.
TEST_F(Windows, ProgressLinesOfTwentyThousandRecords) {
    std::string data = test::make_header(512);
    for (std::uint64_t i = 0; i < 20000; ++i) {
        data += test::record_bytes(test::make_record(static_cast<double>(i % 4), 0, i));
    }
    test::write_file(in_path, data);
    const test::RunResult result = run_exe({in_path, out_path, "0", "0", "1", "0"});
    EXPECT_EQ(result.out, text_stream(test::run_output(in_path, 20000, 20000, 10000, out_path)));
    EXPECT_EQ(result.status, 0);
}

// Names with blanks arrive whole; a wildcard reaches the tool as it was typed, even in a folder
// where it would match files.
TEST_F(Windows, ArgumentsArriveAsGiven) {
    std::filesystem::create_directory(dir.path / "my data");
    const std::string spaced_in = dir / "my data/in put.qvt";
    const std::string spaced_out = dir / "my data/out put.qvt";
    test::write_file(spaced_in, input);
    const test::RunResult spaced = run_exe({spaced_in, spaced_out, "0", "3", "3", "0"});
    EXPECT_EQ(spaced.out, text_stream(test::run_output(spaced_in, 3, 3, 2, spaced_out)));
    EXPECT_EQ(spaced.status, 0);

    const test::RunResult wildcard =
        run_exe({"*.qvt", "clipped.qvt", "0", "3", "3", "0"}, dir.path.string());
    EXPECT_EQ(wildcard.out, "ERROR: Can't open input file *.qvt for reading!");
    EXPECT_EQ(wildcard.status, FAILED);
}

// Ctrl-C (SIGINT, which Wine turns into a console event) part-way through a run empties the
// output before the process ends with the default action's exit code, 3.
TEST_F(Windows, InterruptedRunLeavesNoPartialOutput) {
    std::string data = test::make_header(512);
    for (std::uint64_t i = 0; i < 60000; ++i) {
        data += test::record_bytes(test::make_record(1, 1, i));
    }
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int pid = test::spawn_program(
        {"/bin/sh", "-c", "exec " + wine_command({fifo, out_path, "0", "3", "3", "0"})},
        dir / "stdout", dir / "stderr");
    // Feed most of the input and hold the pipe open, so that the tool waits for the rest.
    const int writer = test::feed_fifo_until_output(fifo, data, 43 * 1000, out_path);
    if (writer < 0) {
        ::kill(pid, SIGKILL);
        test::wait_program(pid);
        FAIL() << "the tool wrote nothing";
    }
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    EXPECT_EQ(test::wait_program(pid), 3);
    ::close(writer);
    EXPECT_EQ(test::read_file(out_path), "");
}

// A real survey file gives the same output bytes as on Linux.
TEST_F(Windows, SurveyFileMatchesTheCountedClip) {
    const std::string data = test::shared_data_dir();
    if (data.empty()) {
        GTEST_SKIP() << "the survey files are not next to the project";
    }
    const std::string in = data + "/megaplot_utm17n.qvt";
    const test::RunResult result =
        run_exe({in, out_path, "684760", "5017910", "684800", "5017825"});
    EXPECT_EQ(result.out, text_stream(test::run_output(in, 81590, 81590, 2571, out_path)));
    EXPECT_EQ(result.status, 0);
    const test::RunResult linux_run =
        test::run_tool({in, dir / "linux.qvt", "684760", "5017910", "684800", "5017825"});
    EXPECT_EQ(test::read_file(out_path), test::read_file(dir / "linux.qvt"));
}

}  // namespace

namespace {

// Sizes and counts are 64-bit on Windows too: a sparse input of more than 4 GiB (100 million
// records of the point (0, 0)) gives the exact estimate and counts.
TEST(WindowsLargeFile, CountsBeyondThirtyTwoBits) {
    constexpr std::int64_t RECORDS = 100000000;
    const test::TempDir dir;
    const std::string in_path = dir / "big.qvt";
    const std::string out_path = dir / "out.qvt";
    const std::string header = test::make_sparse_input(in_path, RECORDS);

    const std::string estimate = text_stream(
        "File " + in_path + ", estimated points count: " + std::to_string(RECORDS) + "\n");
    const test::RunResult result = test::run_head_and_tail(
        wine_command({in_path, out_path, "1", "2", "2", "1"}), estimate.size(), 100);
    EXPECT_EQ(result.out, estimate + test::printed_tail(RECORDS, out_path, 100) + " status=0\n");
    EXPECT_EQ(test::read_file(out_path), header);
}

}  // namespace
