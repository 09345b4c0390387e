// Helpers shared by the tests: temporary folders, qvt files built in code, running the tool.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "console.hpp"
#include "qvt_writer.hpp"

namespace test {

using qvt_writer::make_header;
using qvt_writer::make_record;
using qvt_writer::Record;

// Names each case of a parameterised test after the `name` field of its parameter.
struct CaseName {
    template <typename Param>
    std::string operator()(const testing::TestParamInfo<Param>& param) const {
        return param.param.name;
    }
};

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    std::filesystem::path path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(std::string_view name) const { return (path / name).string(); }
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);

// The bytes of a qvt file: `header` followed by the stored records.
std::string qvt_file(const std::string& header, const std::vector<Record>& records);
std::string record_bytes(const Record& record);

// What a finished process left: its exit status (or 128 + the signal that ended it) and
// everything it wrote to standard output and to standard error.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts a program without a shell, standard input from /dev/null, standard output and error
// into the named files; returns its process id.
int spawn_program(const std::vector<std::string>& argv, const std::string& out_path,
                  const std::string& err_path);
// Waits for a started program: its exit status, or 128 + the signal that ended it.
int wait_program(int pid);

// Runs a program without a shell, standard input from /dev/null.
RunResult run_program(const std::vector<std::string>& argv);
// Runs the built dozovor with the given arguments.
RunResult run_tool(const std::vector<std::string>& args);
// Runs a command line through /bin/sh (for pipes, FIFOs, limits and terminals).
RunResult run_shell(const std::string& command);
// Quotes a word for /bin/sh.
std::string shell_quote(std::string_view word);

std::string tool_path();
// The folder of the real survey files; empty when it is not there.
std::string shared_data_dir();

// The lines "<n> processed\r" that a pass over `records` whole records prints, the repeat of the
// final iteration included.
std::string progress_lines(std::int64_t records);

// The estimate line and the summary of a completed run around `progress`.
std::string run_output(const std::string& input, std::int64_t estimate, std::int64_t records,
                       std::int64_t written, const std::string& output);

// Opens `fifo` for writing (which waits until the tool opens it), writes all of `data` but its
// last `held_back` bytes, and waits up to 5 s for the file `output` to hold something. Returns the
// writer, still open so that the tool waits for the rest, or -1 when any of that failed.
int feed_fifo_until_output(const std::string& fifo, const std::string& data, std::size_t held_back,
                           const std::string& output);

// The usage text, exactly as the tool prints it.
extern const std::string USAGE;

// Writes a sparse qvt file of `records` records of the point (0, 0) behind a 512-byte header,
// without writing the records; returns the header.
std::string make_sparse_input(const std::string& path, std::int64_t records);

// The last `bytes` bytes that a run keeping nothing of `records` records prints: progress lines
// and the summary.
std::string printed_tail(std::int64_t records, const std::string& output, std::size_t bytes);

// Runs a shell command line whose standard output may be huge, keeping its first `head` bytes
// and its last `tail` bytes, followed by " status=N\n" with the command's exit status.
RunResult run_head_and_tail(const std::string& command, std::size_t head, std::size_t tail);

// A Console writing into a temporary file, for tests of routines that print.
struct CapturedConsole {
    dozovor::Console console;
    CapturedConsole();
    std::string text();  // everything printed so far
};

}  // namespace test
