#pragma once
// Makes a folder read-only for the calling thread while it lives, the superuser included: for
// root a read-only bind mount of the folder over itself in a private mount namespace (the
// permission bits would not stop root), for anyone else its permission bits.

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : m_path(QFile::encodeName(folder)) {
        const char* path = m_path.constData();
        if (geteuid() != 0) {
            m_ok = chmod(path, 0555) == 0;
            return;
        }
        m_mounted = unshare(CLONE_NEWNS) == 0 &&
                    mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    mount(path, path, nullptr, MS_BIND, nullptr) == 0;
        m_ok = m_mounted &&
               mount(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder() {
        if (m_mounted) umount2(m_path.constData(), MNT_DETACH);
        if (geteuid() != 0) chmod(m_path.constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False where it could not be done (no right to make a mount namespace).
    bool ok() const { return m_ok; }

private:
    QByteArray m_path;
    bool m_mounted = false;
    bool m_ok = false;
};
