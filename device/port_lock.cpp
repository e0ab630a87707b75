#include "device/port_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

enum class Owner {
    None,     // no lock file
    Alive,    // a running process
    Gone,     // the process has ended: the lock is stale
    Unknown,  // no process id can be read (perhaps being written right now)
};

bool IsDirectory(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// The process id in the lock file at `path`: 0 when there is none that makes sense, -1 when
// there is no file.
pid_t ReadOwnerPid(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno == ENOENT ? -1 : 0;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return 0;
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(text, &end, 10);  // skips the leading padding
    if (errno != 0 || end == text || pid <= 0 || pid > INT_MAX) return 0;
    for (; *end; ++end) {
        if (*end != ' ' && *end != '\n' && *end != '\t') return 0;
    }
    return static_cast<pid_t>(pid);
}

Owner OwnerOf(const std::string& path) {
    const pid_t pid = ReadOwnerPid(path);
    if (pid < 0) return Owner::None;
    if (pid == 0) return Owner::Unknown;
    // EPERM: it exists but belongs to another user.
    return ::kill(pid, 0) == 0 || errno == EPERM ? Owner::Alive : Owner::Gone;
}

bool WriteOwnPid(int fd) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    return ::write(fd, text, static_cast<size_t>(length)) == length;
}

}  // namespace

std::string PortLockFolder() {
    if (const char* folder = std::getenv("VELTOR_LOCK_DIR"); folder && *folder) return folder;
    for (const char* folder : {"/var/lock", "/run/lock"}) {
        if (IsDirectory(folder)) return folder;
    }
    return {};
}

std::string PortLockName(const std::string& devicePath) {
    std::string path = devicePath;
    if (char* real = ::realpath(devicePath.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    const std::string dev = "/dev/";
    std::string name;
    if (path.compare(0, dev.size(), dev) == 0) {
        name = path.substr(dev.size());
        for (char& c : name) {
            if (c == '/') c = '_';
        }
    } else {
        name = path.substr(path.rfind('/') + 1);
    }
    return "LCK.." + name;
}

int PortLock::Acquire(const std::string& devicePath, const std::string& folder) {
    Release();
    if (folder.empty()) return 0;
    const std::string path = folder + "/" + PortLockName(devicePath);
    // Another program may create or remove its lock between our steps: a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written = WriteOwnPid(fd);
            ::close(fd);
            if (written) {
                m_path = path;
            } else {
                ::unlink(path.c_str());  // an empty lock would keep everyone out: none instead
            }
            return 0;
        }
        const int createError = errno;
        switch (OwnerOf(path)) {
            case Owner::None:
                if (createError == EEXIST) continue;  // removed in between
                return 0;                             // a folder we may not write to
            case Owner::Gone:
                // The port is free; if we may not remove the stale lock, use it without ours.
                if (::unlink(path.c_str()) != 0 && errno != ENOENT) return 0;
                continue;
            case Owner::Alive:
            case Owner::Unknown: return EBUSY;
        }
    }
    return EBUSY;
}

void PortLock::Release() {
    if (m_path.empty()) return;
    // Only our own: if someone has replaced the file, it is theirs now.
    if (ReadOwnerPid(m_path) == ::getpid()) ::unlink(m_path.c_str());
    m_path.clear();
}
