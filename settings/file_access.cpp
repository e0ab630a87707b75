#include "settings/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool MayWrite(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    const int mode = S_ISDIR(info.st_mode) ? W_OK | X_OK : W_OK;
    if (faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) != 0) return false;
    // The superuser passes that check whatever the bits say.
    if (geteuid() != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0) return true;
    errno = EACCES;
    return false;
}

bool CreateFolders(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT) return false;
    const std::string parent = FolderOf(folder);
    if (parent != folder && !CreateFolders(parent)) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
