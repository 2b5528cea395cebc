#include "CliPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString CliPaths::outputProblem(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("%1 is a folder, not a file").arg(path);
    const QDir folder = file.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(folder.path()));
    // The file is written beside its final name and then put in place, so
    // the folder itself must take a new file: try one.
    QTemporaryFile probe(folder.filePath(QStringLiteral(".corvane-cli-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("the folder %1 does not take new files (%2)")
            .arg(QDir::toNativeSeparators(folder.path()), probe.errorString());
    if (file.exists() && !file.isWritable())
        return QStringLiteral("%1 may not be overwritten").arg(path);
    return {};
}

bool CliPaths::sameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return QDir::cleanPath(fa.absoluteFilePath())
               .compare(QDir::cleanPath(fb.absoluteFilePath()), cs) == 0;
}
