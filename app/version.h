#pragma once

#include <QString>

// "major.minor.build", with ".revision" appended when the revision is not 0.
QString VersionString(unsigned major, unsigned minor, unsigned build, unsigned revision);

// The version this program was built as.
QString ProgramVersion();
