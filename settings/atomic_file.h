#pragma once
// Replacing a file so that readers see either the old or the new contents, never a mix.

#include <string>
#include <string_view>

// Writes `data` to a new temporary file in the target's directory, flushes it to the disk and
// renames it over `path`. A symbolic link at `path` is followed, so the link survives. An
// existing file keeps its permission bits (and its owner, where that is allowed). On any
// failure the temporary file is removed, the old file is left as it was, and false is returned
// with errno telling why.
//
// When no temporary file can be made there (a folder that may not be written, judged as
// MayWrite does), an existing file that may be written is rewritten in place and flushed instead;
// should that fail, its old contents are written back.
bool WriteFileAtomically(const std::string& path, std::string_view data);
