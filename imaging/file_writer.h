#pragma once
// Writing image files so that no half-written file ever carries a real name: the data goes to a
// hidden temporary file beside the target, is flushed to the disk, and only then takes its name.
// On failure the temporary file is removed and errno tells why.

#include <QByteArray>
#include <QString>

// Writes `data` into `folder` under "<stem>.<ext>", or "<stem>-2.<ext>", "<stem>-3.<ext>", ...
// when that name exists; never replaces a file, also one another program creates meanwhile.
// Returns the path written, or an empty string.
QString WriteNewFile(const QString& folder, const QString& stem, const QString& ext,
                     const QByteArray& data);

// Makes `data` the file at `path`, replacing one that is there (the user has agreed to that).
// A failure leaves an existing file as it was.
bool ReplaceFile(const QString& path, const QByteArray& data);
