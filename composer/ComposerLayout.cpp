#include "ComposerLayout.h"

#include "BodyTextEdit.h"
#include "ComponentPlace.h"
#include "LengthValidator.h"

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

// The names of the controls the window works with: the table and the
// Controls members are bound through these, so they cannot drift apart.
namespace name {
constexpr auto server = "txtSrvSTMP"_L1;
constexpr auto sender = "txtMittente"_L1;
constexpr auto recipient = "txtDestinatario"_L1;
constexpr auto cc = "txtCopiaCarbone"_L1;
constexpr auto bcc = "txtCopiaCarboneNascosta"_L1;
constexpr auto attachments = "txtAllegati"_L1;
constexpr auto subject = "txtOggetto"_L1;
constexpr auto body = "txtContenuto"_L1;
constexpr auto priority = "cboPriorita"_L1;
constexpr auto authenticate = "chkAutentica"_L1;
constexpr auto send = "cmdInvia"_L1;
constexpr auto close = "cmdChiudi"_L1;
constexpr auto component = "KorvaneSTMP1"_L1;
} // namespace name

constexpr std::array controls{
    Control{"lblSvr"_L1, Kind::Label, "STMP Server:"_L1, 120, 120, 1215, 375, 1, name::server},
    Control{name::server, Kind::TextBox, {}, 1440, 120, 3975, 375, 0, {}},
    Control{"lblMittente"_L1, Kind::Label, "Mittente:"_L1, 120, 600, 1215, 375, 3, name::sender},
    Control{name::sender, Kind::TextBox, {}, 1440, 600, 3975, 375, 2, {}},
    Control{"lblDestinatario"_L1, Kind::Label, "Destinatario:"_L1, 120, 1080, 1215, 375, 9, name::recipient},
    Control{name::recipient, Kind::TextBox, {}, 1440, 1080, 3975, 375, 8, {}},
    Control{"lblCc"_L1, Kind::Label, "CC:"_L1, 120, 1560, 1215, 375, 11, name::cc},
    Control{name::cc, Kind::TextBox, {}, 1440, 1560, 3975, 375, 10, {}},
    Control{"lblBcc"_L1, Kind::Label, "BCC:"_L1, 120, 2040, 1215, 375, 13, name::bcc},
    Control{name::bcc, Kind::TextBox, {}, 1440, 2040, 3975, 375, 12, {}},
    Control{"lblAllegati"_L1, Kind::Label, "Allegati:"_L1, 120, 2520, 1215, 375, 15, name::attachments},
    Control{name::attachments, Kind::TextBox, {}, 1440, 2520, 3975, 375, 14, {}},
    Control{"lblPriorita"_L1, Kind::Label, "Priorit\xe0:"_L1, 120, 3000, 1215, 375, 17, name::priority},
    Control{name::priority, Kind::DropDownList, {}, 1440, 3000, 2175, 315, 16, {}},
    Control{"lblOggetto"_L1, Kind::Label, "Oggetto:"_L1, 120, 3480, 1215, 375, 5, name::subject},
    Control{name::subject, Kind::TextBox, {}, 1440, 3480, 5895, 375, 4, {}},
    Control{"lblContenuto"_L1, Kind::Label, "Contenuto:"_L1, 120, 4080, 1215, 375, 7, name::body},
    Control{name::body, Kind::MultiLineTextBox, {}, 1440, 4080, 5895, 2895, 6, {}},
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
        return box;
    }
    case Kind::MultiLineTextBox: {
        // Its own kind: a paste from a clipboard nobody owns any more must
        // not reach Qt's own insertion.
        auto *box = new BodyTextEdit(form);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // Tab walks the window's tab order; a tab can still be pasted in.
        box->setTabChangesFocus(true);
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
        .server = made<QLineEdit>(form, name::server),
        .sender = made<QLineEdit>(form, name::sender),
        .recipient = made<QLineEdit>(form, name::recipient),
        .cc = made<QLineEdit>(form, name::cc),
        .bcc = made<QLineEdit>(form, name::bcc),
        .attachments = made<QLineEdit>(form, name::attachments),
        .subject = made<QLineEdit>(form, name::subject),
        .body = made<QPlainTextEdit>(form, name::body),
        .priority = made<QComboBox>(form, name::priority),
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
