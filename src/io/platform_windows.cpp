// Windows (MinGW-w64): descriptors of the C runtime in binary mode, file identity from the
// volume serial number and file index, a console as the terminal, SIGINT and SIGTERM only.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <climits>
#include <csignal>

#include "io/platform.hpp"

namespace dozovor {

int open_for_reading(const char* name) {
    const int fd = ::_open(name, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        return -1;
    }
    struct _stat64 info {};
    if (::_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) == _S_IFDIR) {
        ::_close(fd);
        return -1;
    }
    return fd;
}

int open_for_writing(const char* name) {
    return ::_open(name, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                   _S_IREAD | _S_IWRITE);
}

// The runtime's read and write take an unsigned int count.
static unsigned int clamp_count(std::size_t count) {
    return count > INT_MAX ? static_cast<unsigned int>(INT_MAX) : static_cast<unsigned int>(count);
}

ssize_t system_read(int fd, void* buffer, std::size_t count) {
    return ::_read(fd, buffer, clamp_count(count));
}

ssize_t system_write(int fd, const void* buffer, std::size_t count) {
    return ::_write(fd, buffer, clamp_count(count));
}

int close_file(int fd) { return ::_close(fd) == 0 ? 0 : -1; }

std::int64_t regular_file_size(int fd) {
    struct _stat64 info {};
    if (::_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

int empty_file(int fd) { return ::_chsize_s(fd, 0) == 0 ? 0 : -1; }

int empty_named_file(const char* name) {
    const int fd = ::_open(name, _O_WRONLY | _O_TRUNC | _O_BINARY);
    return fd >= 0 && ::_close(fd) == 0 ? 0 : -1;
}

// A file's identity: the volume it lies on and its index there.
static bool identity_of(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    return handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info) != 0;
}

static bool same_identity(HANDLE opened, const char* name) {
    BY_HANDLE_FILE_INFORMATION opened_info{};
    if (!identity_of(opened, opened_info)) {
        return false;
    }
    // No access rights are needed to ask for the identity; directories need the backup flag.
    HANDLE named = ::CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION named_info{};
    const bool known = identity_of(named, named_info);
    if (named != INVALID_HANDLE_VALUE) {
        ::CloseHandle(named);
    }
    return known && opened_info.dwVolumeSerialNumber == named_info.dwVolumeSerialNumber &&
           opened_info.nFileIndexHigh == named_info.nFileIndexHigh &&
           opened_info.nFileIndexLow == named_info.nFileIndexLow;
}

static HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

bool is_same_file(int fd, const char* name) { return same_identity(handle_of(fd), name); }

bool is_standard_output(const char* name) {
    HANDLE standard = handle_of(STANDARD_OUTPUT);
    return ::GetFileType(standard) != FILE_TYPE_CHAR && same_identity(standard, name);
}

bool is_terminal(int fd) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle_of(fd), &mode) != 0;
}

int open_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::_get_osfhandle(fd) == -1) {
            const int null_fd = ::_open("NUL", _O_RDWR | _O_BINARY);
            if (null_fd < 0) {
                return -1;
            }
            if (null_fd != fd && (::_dup2(null_fd, fd) != 0 || ::_close(null_fd) != 0)) {
                return -1;
            }
        }
    }
    return 0;
}

static std::atomic<int> guarded_fd{-1};
// The thread that runs the clip, set once before the handlers are installed.
static HANDLE main_thread = nullptr;

// Console control events arrive on a thread of their own while the main thread goes on writing.
// The handler first stops the main thread (a write it is in completes first), so that nothing
// it writes can land after the output is emptied, then ends the process as the default action
// would.
extern "C" void on_interrupt(int signal_number) {
    if (main_thread != nullptr && ::GetCurrentThreadId() != ::GetThreadId(main_thread)) {
        (void)::SuspendThread(main_thread);
    }
    const int fd = guarded_fd.load();
    if (fd >= 0) {
        (void)::_chsize_s(fd, 0);
    }
    (void)std::signal(signal_number, SIG_DFL);
    (void)std::raise(signal_number);
}

void prepare_signals() {
    if (::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                          &main_thread, 0, FALSE, DUPLICATE_SAME_ACCESS) == 0) {
        main_thread = nullptr;
    }
    for (const int signal_number : {SIGINT, SIGTERM}) {
        if (std::signal(signal_number, on_interrupt) == SIG_IGN) {
            (void)std::signal(signal_number, SIG_IGN);
        }
    }
}

void guard_output(int fd) { guarded_fd.store(fd); }

}  // namespace dozovor
