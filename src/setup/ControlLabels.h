#pragma once

class QWidget;

// How the setup windows' controls are found by their captions: with a screen
// reader, which names each control, and from the keyboard, with Alt and a
// letter of its label.
namespace ControlLabels {

// Links every caption of area to its control and names the controls: a label
// in a grid cell followed by a box or list becomes that control's buddy and
// gives it its name and a mnemonic letter (unique within area); an option
// button or check box is named with its frame's title before its caption, so
// "On" is heard as "Remote Zero: On"; every frame is named by its own title,
// which also labels the lists and boxes it holds. Controls that already carry
// a name keep it.
void link(QWidget* area);

} // namespace ControlLabels
