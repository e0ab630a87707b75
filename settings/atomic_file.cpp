#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "settings/file_access.h"

namespace {

// The file a write to `path` should really replace: the target of a symbolic link.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return path;  // dangling: replace the link
    return resolved;
}

// Keeps the errno of a failure across the clean-up that follows it.
class KeepErrno {
public:
    ~KeepErrno() { errno = m_saved; }

private:
    int m_saved = errno;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool ReadAll(int fd, std::string& data) {
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        data.append(buffer, static_cast<size_t>(got));
    }
}

// Makes `data` the whole contents of the open file and flushes it to the disk.
bool Overwrite(int fd, std::string_view data) {
    return lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, data) &&
           ftruncate(fd, static_cast<off_t>(data.size())) == 0 && fsync(fd) == 0;
}

// Rewrites the file itself, for when no temporary file can be made beside it (a writable file in
// a folder that is not). Not atomic: the old contents are read first and put back if the new
// ones cannot be written.
bool RewriteInPlace(const std::string& target, std::string_view data) {
    if (!MayWrite(target)) {
        errno = EACCES;
        return false;
    }
    int fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    std::string old;
    if (!ReadAll(fd, old)) {
        KeepErrno keep;
        close(fd);
        return false;
    }
    if (Overwrite(fd, data)) return close(fd) == 0;
    KeepErrno keep;
    Overwrite(fd, old);
    close(fd);
    return false;
}

// Creates the temporary file beside the target. The name holds the process id, so two programs
// saving at once never share one; O_EXCL makes sure no existing file is ever reused.
int CreateTemporary(const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Carries the old file's mode and owner over to its replacement; a new file keeps the default
// mode the umask gave it.
void CopyAttributes(int fd, const std::string& target) {
    struct stat info {};
    if (stat(target.c_str(), &info) != 0) return;
    fchmod(fd, info.st_mode & 07777);
    if (fchown(fd, info.st_uid, info.st_gid) != 0) {
        // Only the superuser may give a file away; the new file then stays ours.
    }
}

// Makes the rename itself durable. Failure is not reported: the new contents are in place.
void SyncDirectory(const std::string& directory) {
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data) {
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);
    std::string temporary;
    int fd = -1;
    if (MayWrite(folder)) fd = CreateTemporary(target, temporary);  // else errno says why
    if (fd < 0) {
        const int reason = errno;
        if (access(target.c_str(), F_OK) == 0) return RewriteInPlace(target, data);
        errno = reason;
        return false;
    }
    CopyAttributes(fd, target);
    bool ok = WriteAll(fd, data) && fsync(fd) == 0;
    if (ok) {
        ok = close(fd) == 0;
    } else {
        KeepErrno keep;
        close(fd);
    }
    if (ok) ok = rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        KeepErrno keep;
        unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(folder);
    return true;
}
