#include "ControlLabels.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSet>

#include <algorithm>

namespace ControlLabels {

namespace {

QString plain(QString text) {
    return text.remove('&').simplified();
}

bool isEntry(QWidget* w) {
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractSlider*>(w);
}

QString frameTitle(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* frame = qobject_cast<QGroupBox*>(p))
            return plain(frame->title());
    return {};
}

// Puts a mnemonic before the first letter of label, at a word's start if it
// can, that no other label of the area uses yet.
void addMnemonic(QLabel* label, QSet<QChar>& used) {
    const QString text = label->text();
    if (text.contains('&'))
        return;
    for (bool wordStart : {true, false}) {
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i].toLower();
            if (!c.isLetter() || used.contains(c))
                continue;
            if (wordStart && i > 0 && text[i - 1].isLetterOrNumber())
                continue;
            used.insert(c);
            label->setText(text.left(i) + '&' + text.mid(i));
            return;
        }
    }
}

} // namespace

void link(QWidget* area) {
    // A frame inside another frame would otherwise be named after the outer
    // one (Qt names a widget without a name after the frame it sits in), and
    // so would every control it labels.
    for (QGroupBox* frame : area->findChildren<QGroupBox*>())
        if (frame->accessibleName().isEmpty() && !frame->title().isEmpty())
            frame->setAccessibleName(plain(frame->title()));
    QSet<QChar> used;
    for (QGridLayout* grid : area->findChildren<QGridLayout*>()) {
        for (int i = 0; i < grid->count(); ++i) {
            auto* label = qobject_cast<QLabel*>(grid->itemAt(i)->widget());
            // A caption has a word; a separator such as ":" names nothing.
            if (!label || label->buddy())
                continue;
            const QString caption = label->text();
            if (std::none_of(caption.begin(), caption.end(), [](QChar c) { return c.isLetter(); }))
                continue;
            int row, column, rows, columns;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            QLayoutItem* next = grid->itemAtPosition(row, column + columns);
            QWidget* control = next ? next->widget() : nullptr;
            if (!control || !isEntry(control))
                continue;
            label->setBuddy(control);
            if (control->accessibleName().isEmpty())
                control->setAccessibleName(plain(label->text()));
            if (control->accessibleDescription().isEmpty())
                control->setAccessibleDescription(frameTitle(control));
            addMnemonic(label, used);
        }
    }
    for (QAbstractButton* button : area->findChildren<QAbstractButton*>()) {
        if (!button->isCheckable() || !button->accessibleName().isEmpty())
            continue;
        const QString frame = frameTitle(button);
        const QString caption = plain(button->text());
        button->setAccessibleName(frame.isEmpty() ? caption : frame + ": " + caption);
    }
}

} // namespace ControlLabels
