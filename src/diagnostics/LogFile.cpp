#include "LogFile.h"

#include "ui/Prompts.h"

#include <QFileInfo>

LogFile::LogFile(Prompts& prompts, QString what) : prompts_(prompts), what_(std::move(what)) {}

bool LogFile::open(const QString& path, QString* error) {
    close();
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    if (error)
        *error = file_.errorString();
    file_.setFileName(QString());
    return false;
}

void LogFile::close() {
    if (file_.isOpen())
        file_.close();
}

bool LogFile::write(const QByteArray& record) {
    if (!file_.isOpen())
        return false;
    // A file removed or replaced under the open handle would swallow every
    // record without an error; it counts as a failed write.
    const bool present = QFileInfo::exists(file_.fileName());
    if (present && file_.write(record) == record.size() && file_.flush())
        return true;
    const QString reason = present ? file_.errorString() : QString("the file was removed");
    const QString name = file_.fileName();
    file_.close();
    prompts_.message(QString("The %1 %2 could not be written (%3). The log has been closed; "
                             "open it again from the File menu to go on recording.")
                         .arg(what_, name, reason),
                     Prompts::Icon::Exclamation);
    if (onFailureClosed)
        onFailureClosed();
    return false;
}
