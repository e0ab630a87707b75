#pragma once
// The settings file's permission questions. The superuser may write any file or folder, yet a
// settings file someone has made read-only must stay as it is for root as well, so these go by
// the permission bits besides what the system allows.

#include <string>

// Whether `path` (a file or a folder, links followed) may be written: the system allows this
// process to write it (and to search it, for a folder) and, for the superuser, at least one of
// its write bits is set. False when `path` does not exist; errno then says why.
bool MayWrite(const std::string& path);

// Creates `folder` and any missing folders above it, each new one private to the user (mode
// 0700). True when it exists as a folder afterwards; errno tells why not.
bool CreateFolders(const std::string& folder);

// The folder part of `path` ("." for a bare name, "/" for a name in the root).
std::string FolderOf(const std::string& path);
