#include "test_support.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dozovor-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("can't read " + path);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("can't write " + path);
    }
}

std::string record_bytes(const Record& record) {
    std::string bytes;
    qvt_writer::put_record(bytes, record);
    return bytes;
}

std::string qvt_file(const std::string& header, const std::vector<Record>& records) {
    std::string bytes = header;
    for (const Record& record : records) {
        qvt_writer::put_record(bytes, record);
    }
    return bytes;
}

std::string tool_path() { return DOZOVOR_BINARY; }

std::string shared_data_dir() {
    const std::filesystem::path dir = DOZOVOR_SHARED_DATA;
    std::error_code ignored;
    return std::filesystem::is_directory(dir, ignored) ? dir.lexically_normal().string() : "";
}

int spawn_program(const std::vector<std::string>& argv, const std::string& out_path,
                  const std::string& err_path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("can't start " + argv[0]);
    }
    return pid;
}

int wait_program(int pid) {
    int wait_status = 0;
    while (::waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
}

RunResult run_program(const std::vector<std::string>& argv) {
    const TempDir capture;
    const std::string out_path = capture / "stdout";
    const std::string err_path = capture / "stderr";
    RunResult result;
    result.status = wait_program(spawn_program(argv, out_path, err_path));
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

RunResult run_tool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{tool_path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv);
}

RunResult run_shell(const std::string& command) { return run_program({"/bin/sh", "-c", command}); }

std::string shell_quote(std::string_view word) {
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string progress_lines(std::int64_t records) {
    std::string lines;
    for (std::int64_t count = 1; count <= records; ++count) {
        if ((count & 0x4000) != 0) {
            lines += std::to_string(count) + " processed\r";
        }
    }
    if ((records & 0x4000) != 0) {
        lines += std::to_string(records) + " processed\r";
    }
    return lines;
}

std::string run_output(const std::string& input, std::int64_t estimate, std::int64_t records,
                       std::int64_t written, const std::string& output) {
    return "File " + input + ", estimated points count: " + std::to_string(estimate) + "\n" +
           progress_lines(records) + std::to_string(written) + " records written succesfully to " +
           output + ".";
}

int feed_fifo_until_output(const std::string& fifo, const std::string& data, std::size_t held_back,
                           const std::string& output) {
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    if (writer < 0) {
        return -1;
    }
    for (std::size_t done = 0; done < data.size() - held_back;) {
        const ssize_t put = ::write(writer, data.data() + done, data.size() - held_back - done);
        if (put <= 0) {
            ::close(writer);
            return -1;
        }
        done += static_cast<std::size_t>(put);
    }
    std::error_code ignored;
    for (int i = 0; i < 500 && std::filesystem::file_size(output, ignored) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (std::filesystem::file_size(output, ignored) == 0 || ignored) {
        ::close(writer);
        return -1;
    }
    return writer;
}

const std::string USAGE =
    "Usage: dozovor infile outfile left-upp-x left-upp-y right-low-x right-low-y\n\n"
    "Clips qvt file version 2.2 <infile> to qvt file <outfile>, including points in\n"
    "given rectangle. Coordinates (both in qvt and clip rectangle) must be in UTM.\n"
    " infile  - file to clip\n"
    " outfile - file to save result\n"
    " left-upper-x, left-upper-y, right-lower-x, right-lower-y - coords in UTM\n";

std::string make_sparse_input(const std::string& path, std::int64_t records) {
    const std::string header = make_header(512, 2, 2, "sparse");
    write_file(path, header);
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(512 + 43 * records));
    return header;
}

std::string printed_tail(std::int64_t records, const std::string& output, std::size_t bytes) {
    std::string text;
    for (std::int64_t count = records - 20; count <= records; ++count) {
        if ((count & 0x4000) != 0) {
            text += std::to_string(count) + " processed\r";
        }
    }
    if ((records & 0x4000) != 0) {
        text += std::to_string(records) + " processed\r";  // the final iteration's repeat
    }
    text += "0 records written succesfully to " + output + ".";
    return text.substr(text.size() - bytes);
}

RunResult run_head_and_tail(const std::string& command, std::size_t head, std::size_t tail) {
    return run_program({"bash", "-c",
                        command + " | (head -c " + std::to_string(head) + "; tail -c " +
                            std::to_string(tail) + "); echo \" status=${PIPESTATUS[0]}\""});
}

CapturedConsole::CapturedConsole() {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) {
        throw std::runtime_error("tmpfile failed");
    }
    const int fd = ::dup(::fileno(file));
    std::fclose(file);
    dozovor::open_console(console, fd);
}

std::string CapturedConsole::text() {
    dozovor::flush_console(console);
    std::string bytes;
    std::array<char, 4096> chunk{};
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(console.out.fd, chunk.data(), chunk.size(), offset);
        if (got <= 0) {
            return bytes;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
        offset += got;
    }
}

}  // namespace test
