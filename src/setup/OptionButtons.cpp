#include "OptionButtons.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

namespace OptionButtons {

QButtonGroup* group(QGroupBox* frame, const char* name,
                    std::initializer_list<std::pair<int, const char*>> items) {
    auto* buttons = new QButtonGroup(frame);
    auto* layout = new QHBoxLayout(frame);
    for (auto [index, caption] : items) {
        auto* button = new QRadioButton(caption, frame);
        button->setObjectName(QString("%1(%2)").arg(name).arg(index));
        buttons->addButton(button, index);
        layout->addWidget(button);
    }
    return buttons;
}

void select(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
}

} // namespace OptionButtons
