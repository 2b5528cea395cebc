#pragma once

#include <QByteArray>
#include <QDialog>

class QPlainTextEdit;

// The debug page: the datalog download's trace, one line per entry. Binary
// blocks show as hexadecimal bytes; the oldest lines go once the trace reaches
// its cap, so a long download never makes it grow without bound.
class dbg : public QDialog {
    Q_OBJECT
public:
    // Lines kept: a 100,000-point download traces a few lines per section.
    static constexpr int MaxLines = 20000;

    explicit dbg(QWidget* parent = nullptr);

    void append(const QByteArray& line);
    void clear();
    QString text() const;

    // The trace form of a line: as it stands when every byte is printable,
    // otherwise "HEX " and the bytes as two-digit hexadecimal.
    static QString traceLine(const QByteArray& line);

private:
    QPlainTextEdit* txtdbg_ = nullptr;
};
