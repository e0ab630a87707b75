// The line controls of the running simulator: stopping, vanishing, the link, stale bytes.
#include <sys/stat.h>
#include <unistd.h>

#include "tools/scanner-sim/scanner_impl.h"

namespace scanner_sim {

void Scanner::Impl::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    CloseLine();
    RemoveLink();
}

void Scanner::Impl::CloseLine() {
    std::lock_guard lock(writeMutex_);
    pty_.Close();
    closed_ = true;
}

// The serving thread closes the line itself, so it never reads a descriptor closed under it.
void Scanner::Impl::Vanish() {
    {
        std::unique_lock lock(mutex_);
        vanishRequested_ = true;
        if (thread_.joinable() && !stopping_) {
            vanished_.wait(lock, [this] { return lineClosed_; });
        }
    }
    CloseLine();
    RemoveLink();
}

bool Scanner::Impl::LinkTo(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (closed_ || path.empty()) return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode) || ::unlink(path.c_str()) != 0) return false;
    }
    if (::symlink(slavePath_.c_str(), path.c_str()) != 0) return false;
    if (!linkPath_.empty() && linkPath_ != path) ::unlink(linkPath_.c_str());
    linkPath_ = path;
    return true;
}

void Scanner::Impl::RemoveLink() {
    std::lock_guard lock(mutex_);
    if (linkPath_.empty()) return;
    char target[4096];
    ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_) {
        ::unlink(linkPath_.c_str());
    }
    linkPath_.clear();
}

void Scanner::Impl::WriteStale(const Bytes& bytes) {
    std::lock_guard lock(writeMutex_);
    pty_.Write(bytes.data(), bytes.size(), kWritePatience);
}

uint32_t Scanner::Impl::LineBaud() {
    std::lock_guard lock(writeMutex_);
    return pty_.LineBaud();
}

}  // namespace scanner_sim
