#pragma once
// Runs `save` as if the disk filled up after `limit` bytes of any one file: the process's file-size
// limit stops the write, and the signal that limit raises is ignored meanwhile.

#include <sys/resource.h>

#include <csignal>

template <typename Save>
bool SaveOnAFullDisk(Save save, rlim_t limit = 1024) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return saved;
}
