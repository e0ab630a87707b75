#include "imaging/file_writer.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <string>

namespace {

// Keeps the errno of a failure across the clean-up that follows it.
class KeepErrno {
public:
    ~KeepErrno() { errno = m_saved; }

private:
    int m_saved = errno;
};

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool WriteAll(int fd, const QByteArray& data) {
    const char* next = data.constData();
    size_t left = static_cast<size_t>(data.size());
    while (left > 0) {
        const ssize_t written = write(fd, next, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        next += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// A hidden file in `folder`, created afresh (O_EXCL) so nothing existing is ever written, filled
// with `data` and flushed. Its path, or an empty string.
std::string WriteTemporary(const std::string& folder, const QByteArray& data) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + "/.veltor-" + std::to_string(getpid()) + "-" +
                                 std::to_string(attempt) + ".part";
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return {};
        bool ok = WriteAll(fd, data) && fsync(fd) == 0;
        ok = close(fd) == 0 && ok;
        if (ok) return name;
        KeepErrno keep;
        unlink(name.c_str());
        return {};
    }
    errno = EEXIST;
    return {};
}

// Gives `from` the name `to` unless `to` exists. Where the file system cannot rename without
// replacing, a hard link does the same; EEXIST when the name is taken.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

// Makes the new name itself durable. Failure is not reported: the file is complete.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

QString WriteNewFile(const QString& folder, const QString& stem, const QString& ext,
                     const QByteArray& data) {
    const std::string native = Native(folder);
    const std::string temporary = WriteTemporary(native, data);
    if (temporary.empty()) return {};
    for (int number = 1; number < 10000; ++number) {
        const QString name = stem + (number > 1 ? QStringLiteral("-%1").arg(number) : QString()) +
                             QLatin1Char('.') + ext;
        const QString path = folder + QLatin1Char('/') + name;
        if (RenameNoReplace(temporary, Native(path))) {
            SyncFolder(native);
            return path;
        }
        if (errno != EEXIST) break;
    }
    KeepErrno keep;
    unlink(temporary.c_str());
    return {};
}

bool ReplaceFile(const QString& path, const QByteArray& data) {
    const std::string folder = Native(QFileInfo(path).absolutePath());
    const std::string temporary = WriteTemporary(folder, data);
    if (temporary.empty()) return false;
    if (rename(temporary.c_str(), Native(path).c_str()) != 0) {
        KeepErrno keep;
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}
