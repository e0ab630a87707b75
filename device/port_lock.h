#pragma once
// The lock file that serial programs on Linux leave in the lock folder while they use a port:
// "LCK..<name>" holding the owner's process id as text.

#include <string>

// The lock folder: $VELTOR_LOCK_DIR when set (tests point it at a folder of their own), else
// the first of /var/lock and /run/lock that is a directory; empty when there is none.
std::string PortLockFolder();

// The lock file's name for a device path: the part after /dev/ with every further '/' turned
// into '_' (/dev/ttyUSB0 gives LCK..ttyUSB0, /dev/pts/3 gives LCK..pts_3); for a path outside
// /dev/, its last component. Symbolic links are resolved first, so every alias of a port shares
// one lock.
std::string PortLockName(const std::string& devicePath);

class PortLock {
public:
    PortLock() = default;
    ~PortLock() { Release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the lock for `devicePath` in `folder` (none when empty), giving up one held before.
    // A lock whose owner is gone is removed first. Returns 0, or EBUSY when a running process
    // (or one whose lock cannot be read) holds the port. A folder we may not write to is no
    // error: the port is then used without a lock of ours.
    int Acquire(const std::string& devicePath, const std::string& folder = PortLockFolder());
    // Removes our lock file, if we made one.
    void Release();
    bool Held() const { return !m_path.empty(); }

private:
    std::string m_path;  // our lock file while we hold one
};
