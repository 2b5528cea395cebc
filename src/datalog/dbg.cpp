#include "dbg.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

dbg::dbg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dbg"));
    setWindowTitle(QStringLiteral("Debug"));
    setModal(false);
    txtdbg_ = new QPlainTextEdit(this);
    txtdbg_->setObjectName(QStringLiteral("txtdbg"));
    txtdbg_->setReadOnly(true);
    txtdbg_->setMaximumBlockCount(MaxLines);
    txtdbg_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    txtdbg_->setFont(mono);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtdbg_);
    resize(520, 360);
}

QString dbg::traceLine(const QByteArray& line) {
    for (char c : line)
        if (uchar(c) < 0x20 || uchar(c) > 0x7e)
            return QStringLiteral("HEX ") + QString::fromLatin1(line.toHex(' ').toUpper());
    return QString::fromLatin1(line);
}

void dbg::append(const QByteArray& line) {
    txtdbg_->appendPlainText(traceLine(line));
}

void dbg::clear() {
    txtdbg_->clear();
}

QString dbg::text() const {
    return txtdbg_->toPlainText();
}
