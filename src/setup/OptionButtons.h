#pragma once

#include <QString>

#include <initializer_list>
#include <utility>

class QButtonGroup;
class QGroupBox;

// The option buttons of the setup frames: an exclusive group laid out in a
// row inside its frame, each button named as a control array ("TXPow(1)").
namespace OptionButtons {

// Makes the group: each item is the button's index and caption.
QButtonGroup* group(QGroupBox* frame, const char* name,
                    std::initializer_list<std::pair<int, const char*>> items);

// Checks the button with index id, if there is one, without any handler
// sending a setting (only user clicks send).
void select(QButtonGroup* group, int id);

} // namespace OptionButtons
