#pragma once

class QWidget;

// Shift+F10 opens a text box's context menu, as the menu key does, at the
// cursor: Qt leaves that key to the platform, and only Windows gives it that
// meaning. Whatever opens the box's menu (the box itself, a check's marks,
// the attachments' entry) then opens it for both keys alike.
namespace MenuKey {

// For box from now on, once however often it is called; box owns what it
// installs.
void install(QWidget *box);

} // namespace MenuKey
