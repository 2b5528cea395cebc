#include "SavedFile.h"

#include <QSaveFile>

bool SavedFile::write(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    QString why;
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
    } else if (file.write(bytes) != bytes.size()) {
        why = file.errorString();
        file.cancelWriting();
    } else if (file.commit()) {
        return true;
    } else {
        why = file.errorString();
    }
    if (error)
        *error = why;
    return false;
}
