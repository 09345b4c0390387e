#include "io/stream.hpp"

#include <cerrno>

#include "io/platform.hpp"

namespace dozovor {

InputStream::~InputStream() {
    if (fd >= 0) {
        (void)close_file(fd);
    }
}

OutputStream::~OutputStream() {
    if (fd >= 0) {
        (void)close_file(fd);
    }
}

void attach_input(InputStream& in, int fd, const char* name, ReadFunction read_function) {
    in.name = name;
    in.fd = fd;
    in.read_function = read_function;
    in.buffer = std::make_unique_for_overwrite<std::byte[]>(STREAM_BUFFER_SIZE);
    in.capacity = STREAM_BUFFER_SIZE;
    in.position = 0;
    in.end = 0;
    in.eof = false;
    in.error = false;
}

int open_input(InputStream& in, const char* name, ReadFunction read_function) {
    const int fd = open_for_reading(name);
    if (fd < 0) {
        return -1;
    }
    attach_input(in, fd, name, read_function);
    return 0;
}

std::int64_t input_file_size(const InputStream& in) { return regular_file_size(in.fd); }

bool is_same_file(const InputStream& in, const char* name) { return is_same_file(in.fd, name); }

int close_input(InputStream& in) {
    const int fd = in.fd;
    in.fd = -1;
    return (fd >= 0 && close_file(fd) != 0) ? -1 : 0;
}

// Refills the empty buffer with one read. Returns the bytes now buffered; 0 sets `eof` or
// `error`.
static std::size_t refill(InputStream& in) {
    in.position = 0;
    in.end = 0;
    if (in.eof || in.error) {
        return 0;
    }
    for (;;) {
        const ssize_t got = in.read_function(in.fd, in.buffer.get(), in.capacity);
        if (got > 0) {
            in.end = static_cast<std::size_t>(got);
            return in.end;
        }
        if (got == 0) {
            in.eof = true;
            return 0;
        }
        if (errno != EINTR) {
            in.error = true;
            return 0;
        }
    }
}

std::size_t read_bytes_refilling(InputStream& in, std::byte* dest, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (in.position == in.end && refill(in) == 0) {
            break;
        }
        const std::size_t available = in.end - in.position;
        const std::size_t take = available < count - done ? available : count - done;
        std::memcpy(dest + done, in.buffer.get() + in.position, take);
        in.position += take;
        done += take;
    }
    return done;
}

void attach_output(OutputStream& out, int fd, const char* name, WriteFunction write_function,
                   std::size_t capacity) {
    out.name = name;
    out.fd = fd;
    out.regular_file = regular_file_size(fd) >= 0;
    out.write_function = write_function;
    out.buffer = std::make_unique_for_overwrite<std::byte[]>(capacity);
    out.capacity = capacity;
    out.used = 0;
    out.error = false;
}

int open_output(OutputStream& out, const char* name, WriteFunction write_function) {
    const int fd = open_for_writing(name);
    if (fd < 0) {
        return -1;
    }
    attach_output(out, fd, name, write_function);
    return 0;
}

// Writes the whole block, resuming after short writes and interruptions.
static int write_fully(OutputStream& out, const std::byte* src, std::size_t count) {
    while (count > 0) {
        const ssize_t put = out.write_function(out.fd, src, count);
        if (put > 0) {
            src += put;
            count -= static_cast<std::size_t>(put);
        } else if (put == 0 || errno != EINTR) {
            out.error = true;
            return -1;
        }
    }
    return 0;
}

int flush_output(OutputStream& out) {
    if (out.error) {
        return -1;
    }
    const std::size_t pending = out.used;
    out.used = 0;
    return write_fully(out, out.buffer.get(), pending);
}

int write_bytes_flushing(OutputStream& out, const std::byte* src, std::size_t count) {
    if (out.error) {
        return -1;
    }
    if (out.used + count <= out.capacity) {
        std::memcpy(out.buffer.get() + out.used, src, count);
        out.used += count;
        return 0;
    }
    if (flush_output(out) != 0) {
        return -1;
    }
    if (count >= out.capacity) {
        return write_fully(out, src, count);
    }
    std::memcpy(out.buffer.get(), src, count);
    out.used = count;
    return 0;
}

void guard_on_interrupt(OutputStream& out) {
    if (out.regular_file) {
        out.guarded = true;
        guard_output(out.fd);
    }
}

// Ends the interruption guard: the output is complete, or emptied already.
static void end_guard(OutputStream& out) {
    if (out.guarded) {
        guard_output(-1);
        out.guarded = false;
    }
}

int close_output(OutputStream& out) {
    if (flush_output(out) != 0) {
        return -1;
    }
    end_guard(out);
    const int fd = out.fd;
    out.fd = -1;
    if (close_file(fd) != 0) {
        out.error = true;
        return -1;
    }
    return 0;
}

void discard_output(OutputStream& out) {
    out.used = 0;
    out.error = true;
    if (out.regular_file) {
        if (out.fd >= 0) {
            (void)empty_file(out.fd);
        } else {
            // A close that failed has already released the descriptor; empty the file by name.
            (void)empty_named_file(out.name);
        }
    }
    end_guard(out);
    if (out.fd >= 0) {
        (void)close_file(out.fd);
        out.fd = -1;
    }
}

}  // namespace dozovor
