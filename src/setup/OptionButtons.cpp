#include "OptionButtons.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSignalBlocker>

#include <memory>

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

void onChosen(QButtonGroup* group, QObject* context, std::function<void(int)> chosen) {
    // A button becoming checked is the choice, however it came about: an
    // assistive tool toggles the button without clicking it. A click on the
    // button already checked is a choice too; a click that checks it
    // toggles it first, and is not taken twice.
    auto shared = std::make_shared<std::function<void(int)>>(std::move(chosen));
    auto toggledBy = std::make_shared<int>(-1);
    QObject::connect(group, &QButtonGroup::idPressed, context,
                     [toggledBy](int) { *toggledBy = -1; });
    QObject::connect(group, &QButtonGroup::idToggled, context,
                     [shared, toggledBy](int id, bool checked) {
                         if (!checked)
                             return;
                         *toggledBy = id;
                         (*shared)(id);
                     });
    QObject::connect(group, &QButtonGroup::idClicked, context, [shared, toggledBy](int id) {
        const bool taken = *toggledBy == id;
        *toggledBy = -1;
        if (!taken)
            (*shared)(id);
    });
}

void select(QButtonGroup* group, int id) {
    const QSignalBlocker quiet(group);
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
}

void clear(QButtonGroup* group) {
    const QSignalBlocker quiet(group);
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

} // namespace OptionButtons
