// Everything that differs between POSIX systems and Windows: files by descriptor, their identity,
// terminals, standard descriptors and signals. One implementation per platform:
// platform_posix.cpp and platform_windows.cpp.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace dozovor {

constexpr int STANDARD_OUTPUT = 1;  // the descriptor of standard output

// Opens the named file for reading in binary mode. Returns the descriptor, or -1 when the file
// cannot be opened or is a directory.
int open_for_reading(const char* name);

// Opens the named file for writing in binary mode, creating it or emptying it. Returns the
// descriptor or -1.
int open_for_writing(const char* name);

// The system's read and write of a descriptor (what the streams use unless a test swaps them).
ssize_t system_read(int fd, void* buffer, std::size_t count);
ssize_t system_write(int fd, const void* buffer, std::size_t count);

// Closes a descriptor. Returns -1 when the system reports a failure.
int close_file(int fd);

// The length of the open file when it is a regular file, otherwise -1 (a pipe, a device).
std::int64_t regular_file_size(int fd);

// Empties the open regular file, or the named one, to 0 bytes. Return -1 on failure.
int empty_file(int fd);
int empty_named_file(const char* name);

// Whether `name` denotes the file open on `fd`, compared by identity, never by name: another
// path, a hard or a symbolic link all count. False when `name` does not exist.
bool is_same_file(int fd, const char* name);

// Whether `name` denotes the file or pipe that standard output writes to (a terminal or another
// character device does not count).
bool is_standard_output(const char* name);

// Whether the descriptor is an interactive terminal (a console on Windows).
bool is_terminal(int fd);

// Opens the null device on any of descriptors 0, 1 and 2 that is closed, so that no file the
// tool opens later takes the place of standard output. Returns -1 when that fails.
int open_standard_descriptors();

// Ignores SIGPIPE (a reader of standard output that went away must not stop the clip, and an
// output pipe whose reader left must fail like any write) and SIGXFSZ (a file-size limit then
// fails the write with EFBIG instead of killing the tool with a partial output), where they
// exist. Installs the handler that empties the guarded output on SIGINT, SIGTERM and SIGHUP,
// except where the signal was ignored when the tool started (as under nohup).
void prepare_signals();

// While a regular-file output is guarded, an interrupting signal empties it to 0 bytes before the
// process ends by the signal's default action. Pass -1 to stop guarding.
void guard_output(int fd);

}  // namespace dozovor
