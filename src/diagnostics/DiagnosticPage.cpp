#include "DiagnosticPage.h"

#include "SignalDiagnostics.h"
#include "shared/ServiceSwitches.h"
#include "ui/PlotSurface.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

DiagnosticPage::DiagnosticPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                               QWidget* parent)
    : QWidget(parent), diagnostics_(diagnostics), switches_(switches) {
    connect(&diagnostics_, &SignalDiagnostics::changed, this, &DiagnosticPage::showCurrent);
}

QLineEdit* DiagnosticPage::addBox(QGridLayout* grid, int row, int column, const QString& name,
                                  const QString& caption, int digits,
                                  const QString& figureCaption) {
    figures_.append({figureCaption.isEmpty() ? caption : figureCaption, name});
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight);
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QString(digits, '0')) + 12);
    box->setMaximumWidth(box->minimumWidth() + 40);
    if (!caption.isEmpty()) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        grid->addWidget(label, row, column);
    }
    grid->addWidget(box, row, column + 1);
    return box;
}

QWidget* DiagnosticPage::addPicture(int index, const QString& caption,
                                    const QList<QPair<QColor, QString>>& keys,
                                    const QString& boxName, const QString& boxCaption) {
    auto* group = new QGroupBox(caption, this);
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* picture = new PlotSurface(group);
    picture->setObjectName(QString("Picture1(%1)").arg(index));
    layout->addWidget(picture, 0, 0, 1, 4);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);

    auto* key = new QWidget(group);
    auto* row = new QHBoxLayout(key);
    row->setContentsMargins(0, 0, 0, 0);
    for (const auto& [colour, text] : keys) {
        auto* swatch = new QLabel(key);
        swatch->setFixedSize(18, 3);
        swatch->setStyleSheet(QString("background: %1").arg(colour.name()));
        row->addWidget(swatch);
        row->addWidget(new QLabel(text, key));
        row->addSpacing(12);
    }
    row->addStretch(1);
    layout->addWidget(key, 1, 0);
    addBox(layout, 1, 2, boxName, boxCaption, 13, QString("%1, %2").arg(caption, boxCaption));
    return group;
}

QWidget* DiagnosticPage::transducerRow(QPushButton* saveButton) {
    auto* strip = new QWidget(this);
    auto* grid = new QGridLayout(strip);
    grid->setContentsMargins(0, 0, 0, 0);
    addBox(grid, 0, 0, "Text4", "Gain");
    addBox(grid, 0, 2, "Text13", "Output Power");
    addBox(grid, 0, 4, "Text16", "Signal Strength");
    grid->setColumnStretch(6, 1);
    grid->addWidget(saveButton, 0, 7);
    return strip;
}

QPushButton* DiagnosticPage::addSaveButton(const QString& name) {
    auto* button = new QPushButton("Save to Log", this);
    button->setObjectName(name);
    const auto follow = [button](bool on) {
        button->setVisible(on);
        button->setEnabled(on);
    };
    follow(switches_.fieldDiagnostics());
    connect(&switches_, &ServiceSwitches::fieldDiagnosticsChanged, button, follow);
    connect(button, &QPushButton::clicked, this, [this] {
        if (onSaveToLog)
            onSaveToLog();
    });
    return button;
}

void DiagnosticPage::setStale(bool stale) {
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setEnabled(!stale);
    for (QPlainTextEdit* box : findChildren<QPlainTextEdit*>())
        box->setEnabled(!stale);
    for (PlotSurface* picture : findChildren<PlotSurface*>())
        picture->setEnabled(!stale);
}

void DiagnosticPage::showCurrent() {
    const auto& boxes = diagnostics_.boxes();
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
        const auto it = boxes.constFind(box->objectName());
        if (it != boxes.cend() && box->text() != *it) {
            box->setText(*it);
            box->setCursorPosition(0);
        }
    }
    for (QPlainTextEdit* box : findChildren<QPlainTextEdit*>()) {
        const auto it = boxes.constFind(box->objectName());
        if (it == boxes.cend())
            continue;
        // The box holds lines ended by CR LF; the editor shows one per line.
        QString shown = *it;
        shown.replace("\r\n", "\n");
        if (shown.endsWith('\n'))
            shown.chop(1);
        if (box->toPlainText() != shown)
            box->setPlainText(shown);
    }
    static const QRegularExpression pictureName(R"(^Picture1\((\d)\)$)");
    for (PlotSurface* picture : findChildren<PlotSurface*>()) {
        const auto m = pictureName.match(picture->objectName());
        if (m.hasMatch() && picture->drawing() != diagnostics_.drawing(m.captured(1).toInt()))
            picture->setDrawing(diagnostics_.drawing(m.captured(1).toInt()));
    }
}
