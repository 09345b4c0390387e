#include "io/process.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace dozovor {

// The descriptor of the output to empty on interruption, or -1. The signal handler reads it, so
// it is the one piece of state outside the run.
static std::atomic<int> guarded_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

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
