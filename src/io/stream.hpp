// Buffered binary streams over file descriptors: the tool's only way of reading and writing files.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "io/platform.hpp"

namespace dozovor {

// The system calls under a stream; tests pass their own to make a read or a write fail.
using ReadFunction = ssize_t (*)(int fd, void* buffer, std::size_t count);
using WriteFunction = ssize_t (*)(int fd, const void* buffer, std::size_t count);

// Large enough that a system call is rare next to the records it carries.
constexpr std::size_t STREAM_BUFFER_SIZE = std::size_t{1} << 20;

// A file open for reading. `eof` is set only by a read that asks the file for more bytes and
// receives none; `error` by a read that the system reports as failed. Both stay set.
struct InputStream {
    const char* name = "";
    int fd = -1;
    ReadFunction read_function = system_read;
    std::unique_ptr<std::byte[]> buffer;
    std::size_t capacity = 0;
    std::size_t position = 0;
    std::size_t end = 0;
    bool eof = false;
    bool error = false;

    InputStream() = default;
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    ~InputStream();
};

// A file open for writing. `error` is set by the first write that fails; nothing is written
// after it.
struct OutputStream {
    const char* name = "";
    int fd = -1;
    bool regular_file = false;
    bool guarded = false;  // emptied if the process is interrupted (see guard_on_interrupt)
    WriteFunction write_function = system_write;
    std::unique_ptr<std::byte[]> buffer;
    std::size_t capacity = 0;
    std::size_t used = 0;
    bool error = false;

    OutputStream() = default;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;
    ~OutputStream();
};

// Opens the named file for reading. Returns -1 when it cannot be opened or is a directory.
int open_input(InputStream& in, const char* name, ReadFunction read_function = system_read);

// Wraps an already open descriptor, which the stream then owns.
void attach_input(InputStream& in, int fd, const char* name,
                  ReadFunction read_function = system_read);

// The input's length in bytes when it is a regular file, otherwise -1 (a pipe, a terminal).
std::int64_t input_file_size(const InputStream& in);

// Whether `name` denotes the file that the input has open (the same name, another path, a hard or
// a symbolic link): compared by identity, never by name. False when `name` does not exist.
bool is_same_file(const InputStream& in, const char* name);

// Closes the input. Returns -1 when the system reports a failure.
int close_input(InputStream& in);

// Refills the buffer as often as needed; the slow path of read_bytes.
std::size_t read_bytes_refilling(InputStream& in, std::byte* dest, std::size_t count);

// Reads up to `count` bytes into `dest` and returns how many arrived. Fewer than asked means the
// end of the file (eof set) or a failed read (error set).
inline std::size_t read_bytes(InputStream& in, std::byte* dest, std::size_t count) {
    if (in.end - in.position >= count) {
        std::memcpy(dest, in.buffer.get() + in.position, count);
        in.position += count;
        return count;
    }
    return read_bytes_refilling(in, dest, count);
}

// Copies N bytes as non-overlapping pieces of 16, 8, 4, 2 and 1 bytes. A plain memcpy of an odd
// size is compiled to overlapping moves, and copying bytes that were just stored that way again
// makes the processor wait for the stores to land; with the same pieces on both sides each load
// finds exactly the store it needs.
template <std::size_t N>
inline void copy_pieces(std::byte* dest, const std::byte* src) {
    std::size_t at = 0;
    for (; at + 16 <= N; at += 16) {
        std::memcpy(dest + at, src + at, 16);
    }
    for (const std::size_t piece :
         {std::size_t{8}, std::size_t{4}, std::size_t{2}, std::size_t{1}}) {
        if ((N - at) >= piece) {
            std::memcpy(dest + at, src + at, piece);
            at += piece;
        }
    }
}

// read_bytes for a count known at compile time.
template <std::size_t N>
inline std::size_t read_bytes_fixed(InputStream& in, std::byte* dest) {
    if (in.end - in.position >= N) {
        copy_pieces<N>(dest, in.buffer.get() + in.position);
        in.position += N;
        return N;
    }
    return read_bytes_refilling(in, dest, N);
}

// Opens the named file for writing, creating it or emptying it. Returns -1 on failure.
int open_output(OutputStream& out, const char* name, WriteFunction write_function = system_write);

// Wraps an already open descriptor, which the stream then owns.
void attach_output(OutputStream& out, int fd, const char* name,
                   WriteFunction write_function = system_write,
                   std::size_t capacity = STREAM_BUFFER_SIZE);

// Empties a regular-file output if an interrupting signal ends the process before the output is
// complete; close_output and discard_output end the guard.
void guard_on_interrupt(OutputStream& out);

// Hands the buffer to the system. Returns -1 and sets `error` when a write fails.
int flush_output(OutputStream& out);

// The slow path of write_bytes: flushes the full buffer, or writes a large block directly.
int write_bytes_flushing(OutputStream& out, const std::byte* src, std::size_t count);

// Appends `count` bytes. Returns -1 once any write of this stream has failed.
inline int write_bytes(OutputStream& out, const std::byte* src, std::size_t count) {
    if (!out.error && out.capacity - out.used >= count) {
        std::memcpy(out.buffer.get() + out.used, src, count);
        out.used += count;
        return 0;
    }
    return write_bytes_flushing(out, src, count);
}

// write_bytes for a count known at compile time.
template <std::size_t N>
inline int write_bytes_fixed(OutputStream& out, const std::byte* src) {
    if (!out.error && out.capacity - out.used >= N) {
        copy_pieces<N>(out.buffer.get() + out.used, src);
        out.used += N;
        return 0;
    }
    return write_bytes_flushing(out, src, N);
}

// Flushes and closes the output. Returns -1 when the flush or the close fails; after a failed
// flush the descriptor stays open so that discard_output can still empty the file.
int close_output(OutputStream& out);

// Ends a failed run's output: drops what is buffered, empties a regular file to 0 bytes (a pipe
// or a device is left alone) and closes it.
void discard_output(OutputStream& out);

}  // namespace dozovor
