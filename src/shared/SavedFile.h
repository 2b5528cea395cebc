#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file in one step: the bytes go to a temporary file beside
// the target, which takes its place only once everything was written, so a
// save that fails (full disk, no permission) leaves the old file as it was.
class SavedFile {
public:
    // False with the reason in *error (when given) if the file is not in place.
    static bool write(const QString& path, const QByteArray& bytes, QString* error);
};
