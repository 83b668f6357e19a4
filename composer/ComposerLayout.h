#pragma once

#include <QLatin1StringView>
#include <QSize>

class QWidget;

// The window's controls: one table of names, kinds, texts, twip positions
// and tab indexes, turned into widgets named after the controls.
namespace ComposerLayout {

inline constexpr int twipsPerPixel = 15;

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

// Creates every control of the table as a child of form, with its font,
// geometry, buddy and accessible name, and chains the tab order.
void build(QWidget *form);

} // namespace ComposerLayout
