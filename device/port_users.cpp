#include "device/port_users.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned kPtySlaveFirstMajor = 136;  // Unix98 slaves: majors 136-143
constexpr unsigned kPtySlaveLastMajor = 143;
const dev_t kPtyMultiplexer = makedev(5, 2);  // /dev/ptmx

// The pseudo-terminal number of a slave device, or -1 for any other device.
long PtyIndex(dev_t device) {
    const unsigned major = ::major(device);
    if (major < kPtySlaveFirstMajor || major > kPtySlaveLastMajor) return -1;
    return static_cast<long>((major - kPtySlaveFirstMajor) * 256 + ::minor(device));
}

// The pseudo-terminal number of the master behind descriptor `fd` of process `pid`, or -1.
long MasterIndex(const std::string& pid, const char* fd) {
    const std::string path = "/proc/" + pid + "/fdinfo/" + fd;
    const int info = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (info < 0) return -1;
    char text[512] = {};
    const ssize_t n = ::read(info, text, sizeof text - 1);
    ::close(info);
    if (n <= 0) return -1;
    const char* field = std::strstr(text, "tty-index:");
    return field ? std::strtol(field + std::strlen("tty-index:"), nullptr, 10) : -1;
}

// Whether process `pid` has `device` open and is not the far end of it.
bool UsesDevice(const std::string& pid, dev_t device, long ptyIndex) {
    DIR* fds = ::opendir(("/proc/" + pid + "/fd").c_str());
    if (!fds) return false;  // gone, or not ours to see
    bool holds = false;
    bool farEnd = false;
    while (const dirent* entry = ::readdir(fds)) {
        struct stat st {};
        if (entry->d_name[0] == '.' || ::fstatat(::dirfd(fds), entry->d_name, &st, 0) != 0 ||
            !S_ISCHR(st.st_mode))
            continue;
        if (st.st_rdev == device) holds = true;
        if (ptyIndex >= 0 && st.st_rdev == kPtyMultiplexer &&
            MasterIndex(pid, entry->d_name) == ptyIndex)
            farEnd = true;
    }
    ::closedir(fds);
    return holds && !farEnd;
}

bool IsProcessId(const char* name) {
    if (!*name) return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9') return false;
    }
    return true;
}

}  // namespace

bool PortOpenElsewhere(dev_t device) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    const std::string self = std::to_string(::getpid());
    const long ptyIndex = PtyIndex(device);
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        if (IsProcessId(entry->d_name) && entry->d_name != self &&
            UsesDevice(entry->d_name, device, ptyIndex)) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}
