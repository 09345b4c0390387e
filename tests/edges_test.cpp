// The built tool at the edges of the process and the system: closed descriptors, limits, full
// disks, pipes whose readers leave, signals, odd inputs and outputs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

constexpr int FAILED = 255;

// An input whose records all lie inside the rectangle "0 9 9 0".
class Edges : public testing::Test {
   protected:
    void make_input(int records) {
        input = test::make_header(512, 2, 2, "edges");
        for (int i = 0; i < records; ++i) {
            input += test::record_bytes(test::make_record(1, 1, static_cast<std::uint64_t>(i)));
        }
        test::write_file(in_path, input);
    }

    std::string tool_command(const std::string& in, const std::string& out) const {
        return test::shell_quote(test::tool_path()) + " " + test::shell_quote(in) + " " +
               test::shell_quote(out) + " 0 9 9 0";
    }

    static std::int64_t records_of(const std::string& file) {
        return static_cast<std::int64_t>((file.size() - 512) / 43);
    }

    test::TempDir dir;
    std::string in_path = dir / "in.qvt";
    std::string out_path = dir / "out.qvt";
    std::string input;
};

struct RedirectCase {
    const char* name;
    const char* redirections;
    bool prints;  // whether standard output stays open
};

class ClosedDescriptors : public Edges, public testing::WithParamInterface<RedirectCase> {};

// A closed standard output must not let the output file become descriptor 1 and receive the
// messages: the output holds exactly the clip.
TEST_P(ClosedDescriptors, LeaveTheOutputIntact) {
    make_input(20000);
    const test::RunResult result =
        test::run_shell(tool_command(in_path, out_path) + " " + GetParam().redirections);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              GetParam().prints ? test::run_output(in_path, 20000, 20000, 20000, out_path) : "");
    EXPECT_EQ(test::read_file(out_path), input);
}

INSTANTIATE_TEST_SUITE_P(Descriptors, ClosedDescriptors,
                         testing::Values(RedirectCase{"Stdout", ">&-", false},
                                         RedirectCase{"Stdin", "<&-", true},
                                         RedirectCase{"Stderr", "2>&-", true},
                                         RedirectCase{"All", "<&- >&- 2>&-", false}),
                         test::CaseName());

struct LimitCase {
    const char* name;
    const char* setup;
};

class FileSizeLimit : public Edges, public testing::WithParamInterface<LimitCase> {};

// Past a file-size limit the write fails like on a full disk, whether or not the shell already
// ignores SIGXFSZ, and the output is emptied. (The limit of 1000 KiB lies below the first 1 MiB
// block of the output and above what is printed before it.)
TEST_P(FileSizeLimit, FailsTheRunAndEmptiesTheOutput) {
    make_input(60000);
    const test::RunResult result =
        test::run_program({"bash", "-c",
                           std::string(GetParam().setup) + "ulimit -f 1000; exec " +
                               tool_command(in_path, out_path)});
    EXPECT_EQ(result.status, FAILED);
    EXPECT_TRUE(result.out.starts_with("File " + in_path + ", estimated points count: 60000\n"));
    EXPECT_TRUE(result.out.ends_with("ERROR: Can't write output file " + out_path + "!\n"))
        << result.out.substr(result.out.size() - std::min<std::size_t>(200, result.out.size()));
    EXPECT_EQ(result.out.find("written"), std::string::npos);
    EXPECT_EQ(test::read_file(out_path), "");
    EXPECT_EQ(test::read_file(in_path), input);
}

INSTANTIATE_TEST_SUITE_P(Limits, FileSizeLimit,
                         testing::Values(LimitCase{"ToolIgnoresSignal", ""},
                                         LimitCase{"ShellIgnoresSignal", "trap '' XFSZ; "}),
                         test::CaseName());

// Messages are informational: a reader of standard output that leaves early neither stops the
// clip nor fails it.
TEST_F(Edges, StandardOutputReaderLeaves) {
    make_input(60000);
    const test::RunResult result = test::run_program(
        {"bash", "-c",
         tool_command(in_path, out_path) + " | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}"});
    EXPECT_EQ(result.out, "0\n");
    EXPECT_EQ(test::read_file(out_path), input);
}

// An output pipe whose reader leaves fails like any write.
TEST_F(Edges, OutputPipeReaderLeaves) {
    make_input(60000);
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const test::RunResult result =
        test::run_program({"bash", "-c",
                           "head -c 100 " + test::shell_quote(fifo) + " >/dev/null & " +
                               tool_command(in_path, fifo) + "; echo \" status=$?\""});
    EXPECT_TRUE(result.out.ends_with("ERROR: Can't write output file " + fifo + "!\n status=255\n"))
        << result.out.substr(result.out.size() - std::min<std::size_t>(200, result.out.size()));
}

struct StdoutCase {
    const char* name;
    const char* output;    // the output argument; OUT is the file stdout goes to
    const char* redirect;  // what follows the command
};

class OutputIsStandardOutput : public Edges, public testing::WithParamInterface<StdoutCase> {};

// Records written where the messages go would be mixed with them: refused before anything is
// opened, whether standard output is a file or a pipe.
TEST_P(OutputIsStandardOutput, IsRefused) {
    make_input(3);
    const std::string stdout_file = dir / "stdout.txt";
    std::string output = GetParam().output;
    if (output == "OUT") {
        output = stdout_file;
    }
    std::string redirect = GetParam().redirect;
    if (redirect == "> OUT") {
        redirect = "> " + test::shell_quote(stdout_file);
    }
    const test::RunResult result = test::run_program(
        {"bash", "-c",
         tool_command(in_path, output) + " " + redirect + "; echo \" status=${PIPESTATUS[0]}\""});
    const std::string message = "ERROR: Output file " + output + " is the standard output!\n";
    if (redirect.starts_with(">")) {
        EXPECT_EQ(test::read_file(stdout_file), message);
        EXPECT_EQ(result.out, " status=255\n");
    } else {
        EXPECT_EQ(result.out, message + " status=255\n");
    }
    EXPECT_EQ(test::read_file(in_path), input);
}

INSTANTIATE_TEST_SUITE_P(Outputs, OutputIsStandardOutput,
                         testing::Values(StdoutCase{"DevStdoutIntoPipe", "/dev/stdout", "| cat"},
                                         StdoutCase{"DevStdoutIntoFile", "/dev/stdout", "> OUT"},
                                         StdoutCase{"RedirectedFile", "OUT", "> OUT"}),
                         test::CaseName());

// A character device such as /dev/null is no standard output to refuse.
TEST_F(Edges, DevNullIsAnOutput) {
    make_input(3);
    const test::RunResult result = test::run_tool({in_path, "/dev/null", "0", "9", "9", "0"});
    EXPECT_EQ(result.out, test::run_output(in_path, 3, 3, 3, "/dev/null"));
    EXPECT_EQ(result.status, 0);
}

// A file whose very first read fails.
TEST_F(Edges, InputWhoseFirstReadFails) {
    test::write_file(out_path, "previous content");
    const test::RunResult result = test::run_tool({"/proc/self/mem", out_path, "0", "9", "9", "0"});
    EXPECT_EQ(result.out, "ERROR: Can't read header of input file /proc/self/mem!\n");
    EXPECT_EQ(result.status, FAILED);
    EXPECT_EQ(test::read_file(out_path), "");
}

// Standard input through a pipe, named as /dev/stdin: no size, so the estimate is 0.
TEST_F(Edges, InputFromStandardInputPipe) {
    make_input(20000);
    const test::RunResult result = test::run_shell("cat " + test::shell_quote(in_path) + " | " +
                                                   tool_command("/dev/stdin", out_path));
    EXPECT_EQ(result.out, test::run_output("/dev/stdin", 0, 20000, 20000, out_path));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(test::read_file(out_path), input);
}

struct DiskCase {
    const char* name;
    int records;
};

class FullDisk : public Edges, public testing::WithParamInterface<DiskCase> {};

// A small file system of its own, mounted in a private mount namespace: it fills either part-way
// through the records or only at the final flush. Either way the run fails and the output is
// emptied.
TEST_P(FullDisk, FailsAndEmptiesTheOutput) {
    make_input(GetParam().records);
    const std::string mount_point = dir / "small";
    std::filesystem::create_directory(mount_point);
    const std::string out = mount_point + "/out.qvt";
    const test::RunResult result =
        test::run_program({"unshare", "-m", "sh", "-c",
                           "mount -t tmpfs -o size=512k tmpfs " + test::shell_quote(mount_point) +
                               " || exit 99; " + tool_command(in_path, out) +
                               "; echo \" status=$?\"; stat -c size=%s " + test::shell_quote(out)});
    if (result.status == 99 || result.status == 1) {
        GTEST_SKIP() << "cannot mount a file system here: " << result.err;
    }
    EXPECT_TRUE(
        result.out.ends_with("ERROR: Can't write output file " + out + "!\n status=255\nsize=0\n"))
        << result.out.substr(result.out.size() - std::min<std::size_t>(200, result.out.size()));
}

INSTANTIATE_TEST_SUITE_P(Disks, FullDisk,
                         testing::Values(DiskCase{"FillsMidFile", 60000},
                                         DiskCase{"FillsAtTheFinalFlush", 15000}),
                         test::CaseName());

struct SignalCase {
    const char* name;
    int signal;
    bool ignored_at_start;  // started as under nohup: the signal is ignored and the run goes on
};

class Interrupted : public Edges, public testing::WithParamInterface<SignalCase> {};

// A run interrupted part-way empties its output before it ends by the signal, so that no partial
// clip is left behind.
TEST_P(Interrupted, LeavesNoPartialOutput) {
    make_input(60000);
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int signal_number = GetParam().signal;
    const std::string command =
        std::string(GetParam().ignored_at_start ? "trap '' " + std::to_string(signal_number) + "; "
                                                : "") +
        "exec " + tool_command(fifo, out_path);
    const int pid = test::spawn_program({"/bin/sh", "-c", command}, dir / "stdout", dir / "stderr");

    // Feed most of the input and hold the pipe open, so that the tool waits for the rest.
    const std::size_t held_back = 43 * 1000;
    const int writer = test::feed_fifo_until_output(fifo, input, held_back, out_path);
    if (writer < 0) {
        ::kill(pid, SIGKILL);
        test::wait_program(pid);
        FAIL() << "the tool wrote nothing";
    }
    ASSERT_EQ(::kill(pid, signal_number), 0);

    if (GetParam().ignored_at_start) {
        ASSERT_EQ(::write(writer, input.data() + input.size() - held_back, held_back),
                  static_cast<ssize_t>(held_back));
        ::close(writer);
        EXPECT_EQ(test::wait_program(pid), 0);
        EXPECT_EQ(test::read_file(out_path), input);
    } else {
        EXPECT_EQ(test::wait_program(pid), 128 + signal_number);
        ::close(writer);
        EXPECT_EQ(test::read_file(out_path), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted,
                         testing::Values(SignalCase{"Interrupt", SIGINT, false},
                                         SignalCase{"Terminate", SIGTERM, false},
                                         SignalCase{"HangUp", SIGHUP, false},
                                         SignalCase{"HangUpUnderNohup", SIGHUP, true}),
                         test::CaseName());

}  // namespace
