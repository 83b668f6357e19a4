#include "ComposerLayout.h"

#include "BodyTextEdit.h"
#include "ComponentPlace.h"
#include "LengthValidator.h"
#include "common/FieldTable.h"
#include "spelling/MenuKey.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace ComposerLayout {

namespace {

using namespace Qt::StringLiterals;

using FieldTable::rowOf;

// The controls that hold no field; the fields' controls are named by the
// field table, which the window walks to read and fill them.
namespace name {
constexpr auto authenticate = "chkAutentica"_L1;
constexpr auto send = "cmdInvia"_L1;
constexpr auto close = "cmdChiudi"_L1;
constexpr auto component = "KorvaneSTMP1"_L1;
} // namespace name

// A field's label, which names its box to a screen reader.
constexpr Control labelOf(const FieldTable::Row &field, QLatin1StringView text, int top, int tabIndex)
{
    return {field.label, Kind::Label, text, 120, top, 1215, 375, tabIndex, field.control};
}

constexpr std::array controls{
    labelOf(rowOf(&MailFields::server), "STMP Server:"_L1, 120, 1),
    Control{rowOf(&MailFields::server).control, Kind::TextBox, {}, 1440, 120, 3975, 375, 0, {}},
    labelOf(rowOf(&MailFields::sender), "Mittente:"_L1, 600, 3),
    Control{rowOf(&MailFields::sender).control, Kind::TextBox, {}, 1440, 600, 3975, 375, 2, {}},
    labelOf(rowOf(&MailFields::recipient), "Destinatario:"_L1, 1080, 9),
    Control{rowOf(&MailFields::recipient).control, Kind::TextBox, {}, 1440, 1080, 3975, 375, 8, {}},
    labelOf(rowOf(&MailFields::cc), "CC:"_L1, 1560, 11),
    Control{rowOf(&MailFields::cc).control, Kind::TextBox, {}, 1440, 1560, 3975, 375, 10, {}},
    labelOf(rowOf(&MailFields::bcc), "BCC:"_L1, 2040, 13),
    Control{rowOf(&MailFields::bcc).control, Kind::TextBox, {}, 1440, 2040, 3975, 375, 12, {}},
    labelOf(rowOf(&MailFields::attachments), "Allegati:"_L1, 2520, 15),
    Control{rowOf(&MailFields::attachments).control, Kind::TextBox, {}, 1440, 2520, 3975, 375, 14, {}},
    labelOf(rowOf(&MailFields::priorityIndex), "Priorit\xe0:"_L1, 3000, 17),
    Control{rowOf(&MailFields::priorityIndex).control, Kind::DropDownList, {}, 1440, 3000, 2175, 315, 16, {}},
    labelOf(rowOf(&MailFields::subject), "Oggetto:"_L1, 3480, 5),
    Control{rowOf(&MailFields::subject).control, Kind::TextBox, {}, 1440, 3480, 5895, 375, 4, {}},
    labelOf(rowOf(&MailFields::body), "Contenuto:"_L1, 4080, 7),
    Control{rowOf(&MailFields::body).control, Kind::MultiLineTextBox, {}, 1440, 4080, 5895, 2895, 6, {}},
    Control{name::authenticate, Kind::CheckBox, "Invia con autenticazione"_L1, 120, 7200, 3135, 375, 20, {}},
    Control{name::send, Kind::Button, "&Invia"_L1, 6120, 120, 1215, 495, 18, {}},
    Control{name::close, Kind::Button, "&Chiudi"_L1, 6120, 720, 1215, 495, 19, {}},
    Control{name::component, Kind::MailComponent, {}, 4560, 3000, 480, 480, -1, {}},
};

int pixels(int twips) { return twips / twipsPerPixel; }

QWidget *create(const Control &control, QWidget *form)
{
    const QString text = control.text;
    switch (control.kind) {
    case Kind::Label: {
        auto *label = new QLabel(form);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        return label;
    }
    case Kind::TextBox: {
        auto *box = new QLineEdit(form);
        // The line edit's own maximum keeps what fits of a paste and drops the
        // rest silently: it is left out of the way, and the validator refuses
        // an over-long edit whole.
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setValidator(new LengthValidator(lineBoxLimit, box));
        MenuKey::install(box);
        return box;
    }
    case Kind::MultiLineTextBox: {
        // Its own kind: a paste from a clipboard nobody owns any more must
        // not reach Qt's own insertion.
        auto *box = new BodyTextEdit(form);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // Tab walks the window's tab order; a tab can still be pasted in.
        box->setTabChangesFocus(true);
        MenuKey::install(box);
        return box;
    }
    case Kind::DropDownList:
        return new QComboBox(form);
    case Kind::CheckBox:
        return new QCheckBox(text, form);
    case Kind::Button: {
        auto *button = new QPushButton(text, form);
        button->setAccessibleName(QString(text).remove(u'&'));
        return button;
    }
    case Kind::MailComponent:
        return new ComponentPlace(form);
    }
    return nullptr;
}

bool drawnBold(Kind kind) { return kind == Kind::Label || kind == Kind::Button; }

void setTabOrder(QWidget *form)
{
    std::vector<const Control *> order;
    for (const Control &control : controls) {
        if (control.tabIndex >= 0 && control.kind != Kind::Label)
            order.push_back(&control);
    }
    std::ranges::sort(order, {}, &Control::tabIndex);
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(form->findChild<QWidget *>(order[i - 1]->name),
                             form->findChild<QWidget *>(order[i]->name));
    }
}

template<class T>
T *made(const QWidget *form, QLatin1StringView controlName)
{
    auto *widget = form->findChild<T *>(controlName, Qt::FindDirectChildrenOnly);
    if (!widget)
        qFatal("Composer layout: %s is not of the kind the window expects", controlName.data());
    return widget;
}

Controls bind(const QWidget *form)
{
    return {
        .server = made<QLineEdit>(form, rowOf(&MailFields::server).control),
        .sender = made<QLineEdit>(form, rowOf(&MailFields::sender).control),
        .recipient = made<QLineEdit>(form, rowOf(&MailFields::recipient).control),
        .cc = made<QLineEdit>(form, rowOf(&MailFields::cc).control),
        .bcc = made<QLineEdit>(form, rowOf(&MailFields::bcc).control),
        .attachments = made<QLineEdit>(form, rowOf(&MailFields::attachments).control),
        .subject = made<QLineEdit>(form, rowOf(&MailFields::subject).control),
        .body = made<QPlainTextEdit>(form, rowOf(&MailFields::body).control),
        .priority = made<QComboBox>(form, rowOf(&MailFields::priorityIndex).control),
        .authenticate = made<QCheckBox>(form, name::authenticate),
        .send = made<QPushButton>(form, name::send),
        .close = made<QPushButton>(form, name::close),
        .component = made<ComponentPlace>(form, name::component),
    };
}

} // namespace

QSize clientSizePixels() { return {pixels(clientWidth), pixels(clientHeight)}; }

Controls build(QWidget *form)
{
    QFont regular = form->font();
    // The layout was drawn for a narrow sans face; a face with the same
    // widths keeps "STMP Server:" inside its label. Qt falls back to the
    // platform's default face when none of these is installed.
    regular.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arial"), regular.family()});
    regular.setPointSizeF(8.25);
    QFont bold = regular;
    bold.setBold(true);
    form->setFont(regular);

    for (const Control &control : controls) {
        QWidget *widget = create(control, form);
        widget->setObjectName(control.name);
        widget->setGeometry(pixels(control.left), pixels(control.top), pixels(control.width),
                            pixels(control.height));
        if (drawnBold(control.kind))
            widget->setFont(bold);
    }
    for (const Control &control : controls) {
        if (control.buddy.isEmpty())
            continue;
        auto *label = form->findChild<QLabel *>(control.name);
        auto *box = form->findChild<QWidget *>(control.buddy);
        label->setBuddy(box);
        box->setAccessibleName(label->text().chopped(1)); // without the colon
    }
    setTabOrder(form);
    return bind(form);
}

} // namespace ComposerLayout
