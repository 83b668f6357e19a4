#pragma once

#include <QLatin1StringView>
#include <QSize>

class ComponentPlace;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The window's controls: one table of names, kinds, texts, twip positions
// and tab indexes, turned into widgets named after the controls.
namespace ComposerLayout {

inline constexpr int twipsPerPixel = 15;

// The most characters a one-line box holds: far more than any list of
// addresses or files a user pastes. Text that would take a box past it is
// refused whole, never cut.
inline constexpr int lineBoxLimit = 1'000'000;

enum class Kind { Label, TextBox, MultiLineTextBox, DropDownList, CheckBox, Button, MailComponent };

struct Control
{
    QLatin1StringView name;
    Kind kind;
    QLatin1StringView text;
    int left;
    int top;
    int width;
    int height;
    int tabIndex;            // -1: not in the tab order
    QLatin1StringView buddy; // labels: the box they name
};

// The client area, in twips.
inline constexpr int clientWidth = 7515;
inline constexpr int clientHeight = 7725;

QSize clientSizePixels();

// The controls the window works with, as build() made them. Each is also
// named after its row of the table (objectName), as a screen reader and the
// settings know it.
struct Controls
{
    QLineEdit *server = nullptr;
    QLineEdit *sender = nullptr;
    QLineEdit *recipient = nullptr;
    QLineEdit *cc = nullptr;
    QLineEdit *bcc = nullptr;
    QLineEdit *attachments = nullptr;
    QLineEdit *subject = nullptr;
    QPlainTextEdit *body = nullptr;
    QComboBox *priority = nullptr;
    QCheckBox *authenticate = nullptr;
    QPushButton *send = nullptr;
    QPushButton *close = nullptr;
    ComponentPlace *component = nullptr;
};

// Creates every control of the table as a child of form, with its font,
// geometry, buddy and accessible name, chains the tab order and returns the
// controls. Each one-line box takes up to lineBoxLimit characters and undoes
// whole, emitting inputRejected(), an edit that would go past it; in every
// text box Shift+F10 opens the menu (MenuKey). A table row whose kind does not match its
// member stops the program here, at its first start, rather than at first use.
Controls build(QWidget *form);

} // namespace ComposerLayout
