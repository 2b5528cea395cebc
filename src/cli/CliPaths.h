#pragma once

#include <QString>

// Checks on the files a command will write, made before any work starts, so
// a long download never ends in a path that could not be written.
class CliPaths {
public:
    // Why path cannot be written, in plain words; empty when it can: its
    // folder must exist and take a new file, and path must not be a folder.
    static QString outputProblem(const QString& path);
    // Both names lead to the same file (an existing file through any link or
    // relative form; a new one by its absolute path).
    static bool sameFile(const QString& a, const QString& b);
};
