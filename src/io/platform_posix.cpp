#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "io/platform.hpp"

namespace dozovor {

int open_for_reading(const char* name) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    // The records are read once from front to back; let the kernel read ahead generously.
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

int open_for_writing(const char* name) {
    return ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

ssize_t system_read(int fd, void* buffer, std::size_t count) { return ::read(fd, buffer, count); }

ssize_t system_write(int fd, const void* buffer, std::size_t count) {
    return ::write(fd, buffer, count);
}

int close_file(int fd) { return ::close(fd) == 0 ? 0 : -1; }

std::int64_t regular_file_size(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

int empty_file(int fd) { return ::ftruncate(fd, 0) == 0 ? 0 : -1; }

int empty_named_file(const char* name) { return ::truncate(name, 0) == 0 ? 0 : -1; }

bool is_same_file(int fd, const char* name) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(name, &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool is_standard_output(const char* name) {
    struct stat standard {};
    return ::fstat(STANDARD_OUTPUT, &standard) == 0 && !S_ISCHR(standard.st_mode) &&
           is_same_file(STANDARD_OUTPUT, name);
}

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

int open_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() returns the lowest free descriptor, which is this one.
            if (::open("/dev/null", O_RDWR) != fd) {
                return -1;
            }
        }
    }
    return 0;
}

// The descriptor of the output to empty on interruption, or -1. The signal handler reads it, so
// it is the one piece of state outside the run.
static std::atomic<int> guarded_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Only async-signal-safe calls: ftruncate, sigaction, raise.
extern "C" void on_interrupt(int signal_number) {
    const int fd = guarded_fd.load();
    if (fd >= 0) {
        (void)::ftruncate(fd, 0);
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    (void)::sigaction(signal_number, &action, nullptr);
    (void)::raise(signal_number);  // delivered as the handler returns: the default action
}

void prepare_signals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    (void)::sigaction(SIGPIPE, &ignore, nullptr);
    (void)::sigaction(SIGXFSZ, &ignore, nullptr);

    struct sigaction handle {};
    handle.sa_handler = on_interrupt;
    sigemptyset(&handle.sa_mask);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&handle.sa_mask, signal_number);
    }
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (::sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            (void)::sigaction(signal_number, &handle, nullptr);
        }
    }
}

void guard_output(int fd) { guarded_fd.store(fd); }

}  // namespace dozovor
