#pragma once

#include <QString>

#include <functional>

#include <initializer_list>
#include <utility>

class QButtonGroup;
class QGroupBox;
class QObject;

// The option buttons of the setup frames: an exclusive group laid out in a
// row inside its frame, each button named as a control array ("TXPow(1)").
namespace OptionButtons {

// Makes the group: each item is the button's index and caption.
QButtonGroup* group(QGroupBox* frame, const char* name,
                    std::initializer_list<std::pair<int, const char*>> items);

// Runs chosen with a button's index whenever the user chooses it, by mouse,
// keyboard or an assistive tool's action; choices made by the program
// (select, clear) never run it.
void onChosen(QButtonGroup* group, QObject* context, std::function<void(int)> chosen);

// Checks the button with index id, if there is one, without any handler
// sending a setting (only the user's choices send).
void select(QButtonGroup* group, int id);
// Leaves no button of the group checked, without any handler running.
void clear(QButtonGroup* group);

} // namespace OptionButtons
