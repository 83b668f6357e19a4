#pragma once

#include "MailFields.h"

#include <QLatin1StringView>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <array>

// Every room that keeps, shows, fills or checks the fields walks this table,
// so a field is added here, in MailFields and in the window's layout.
namespace FieldTable {

// What holds the field on the window, and so how it reads.
enum class Shape {
    Line,  // a one-line box: a line break there could add a header or a command
    Text,  // the body: line breaks are its own
    Choice // the priority: an index into priorities
};

// What is cut from a text before it is kept or sent; only the space counts
// (the settings room's text rules apply it).
enum class Trim { BothEnds, TrailingEnd, Nothing };

// How a mailto: link fills the field (RFC 6068 names it linkName).
enum class LinkFill {
    Never,
    Addresses, // every occurrence's addresses, joined with ", "
    FirstValue // the first occurrence's text, also when empty
};

struct Row
{
    QString MailFields::*text = nullptr; // null for the priority
    int MailFields::*index = nullptr;    // the priority's; null for the texts
    Shape shape = Shape::Line;
    Trim trim = Trim::BothEnds;
    QLatin1StringView section{}; // the settings' section and key
    QLatin1StringView key{};
    QLatin1StringView recoveryKey{}; // in the recovery copy's JSON
    QLatin1StringView control{};     // the names of the window's controls
    QLatin1StringView label{};
    QLatin1StringView property{}; // the component's property that takes it
    QLatin1StringView sendName{}; // how the send's refusals name it
    LinkFill link = LinkFill::Never;
    QLatin1StringView linkName{};
    int handOverAt = 0;     // the window hands the fields to the component in this order
    bool addresses = false; // a list of addresses: remembered once sent, offered as typed
};

using L1 = QLatin1StringView;

// In the order of the settings file.
inline constexpr std::array rows{
    Row{.text = &MailFields::server,
        .section = L1("STMP"),
        .key = L1("SERVER"),
        .recoveryKey = L1("server"),
        .control = L1("txtSrvSTMP"),
        .label = L1("lblSvr"),
        .property = L1("Server"),
        .sendName = L1("Server"),
        .handOverAt = 0},
    Row{.text = &MailFields::sender,
        .section = L1("EMAIL"),
        .key = L1("MITTENTE"),
        .recoveryKey = L1("sender"),
        .control = L1("txtMittente"),
        .label = L1("lblMittente"),
        .property = L1("Sender"),
        .sendName = L1("Mittente"),
        .handOverAt = 1,
        .addresses = true},
    Row{.text = &MailFields::recipient,
        .section = L1("EMAIL"),
        .key = L1("DESTINATARIO"),
        .recoveryKey = L1("recipient"),
        .control = L1("txtDestinatario"),
        .label = L1("lblDestinatario"),
        .property = L1("Recipient"),
        .sendName = L1("Destinatario"),
        .link = LinkFill::Addresses,
        .linkName = L1("to"),
        .handOverAt = 2,
        .addresses = true},
    Row{.text = &MailFields::cc,
        .section = L1("EMAIL"),
        .key = L1("CC"),
        .recoveryKey = L1("cc"),
        .control = L1("txtCopiaCarbone"),
        .label = L1("lblCc"),
        .property = L1("Cc"),
        .sendName = L1("CC"),
        .link = LinkFill::Addresses,
        .linkName = L1("cc"),
        .handOverAt = 3,
        .addresses = true},
    Row{.text = &MailFields::bcc,
        .section = L1("EMAIL"),
        .key = L1("BCC"),
        .recoveryKey = L1("bcc"),
        .control = L1("txtCopiaCarboneNascosta"),
        .label = L1("lblBcc"),
        .property = L1("Bcc"),
        .sendName = L1("BCC"),
        .link = LinkFill::Addresses,
        .linkName = L1("bcc"),
        .handOverAt = 4,
        .addresses = true},
    Row{.text = &MailFields::attachments,
        .section = L1("EMAIL"),
        .key = L1("ALLEGATI"),
        .recoveryKey = L1("attachments"),
        .control = L1("txtAllegati"),
        .label = L1("lblAllegati"),
        .property = L1("Attachments"),
        .sendName = L1("Allegati"),
        .handOverAt = 6},
    Row{.index = &MailFields::priorityIndex,
        .shape = Shape::Choice,
        .trim = Trim::Nothing,
        .section = L1("EMAIL"),
        .key = L1("PRIORITA"),
        .recoveryKey = L1("priorityIndex"),
        .control = L1("cboPriorita"),
        .label = L1("lblPriorita"),
        .property = L1("Priority"),
        .handOverAt = 5},
    Row{.text = &MailFields::subject,
        .section = L1("EMAIL"),
        .key = L1("OGGETTO"),
        .recoveryKey = L1("subject"),
        .control = L1("txtOggetto"),
        .label = L1("lblOggetto"),
        .property = L1("Subject"),
        .sendName = L1("Oggetto"),
        .link = LinkFill::FirstValue,
        .linkName = L1("subject"),
        .handOverAt = 7},
    Row{.text = &MailFields::body,
        .shape = Shape::Text,
        .trim = Trim::TrailingEnd,
        .section = L1("EMAIL"),
        .key = L1("CONTENUTO"),
        .recoveryKey = L1("body"),
        .control = L1("txtContenuto"),
        .label = L1("lblContenuto"),
        .property = L1("Body"),
        .sendName = L1("Contenuto"),
        .link = LinkFill::FirstValue,
        .linkName = L1("body"),
        .handOverAt = 8},
};

static_assert(
    std::ranges::all_of(rows, [](const Row &row) { return (row.text == nullptr) != (row.index == nullptr); }),
    "a field row names one member: a text or the priority's index");

// The rows in the order the window hands them to the component.
constexpr std::array<const Row *, rows.size()> inHandOverOrder()
{
    std::array<const Row *, rows.size()> order{};
    for (const Row &row : rows)
        order.at(row.handOverAt) = &row;
    return order;
}

// Counted by place rather than by the pointers above: a build with the
// undefined-behaviour checks cannot compare those at compile time.
constexpr bool handOverOnce()
{
    std::array<int, rows.size()> taken{};
    for (const Row &row : rows) {
        if (row.handOverAt < 0 || std::size_t(row.handOverAt) >= rows.size())
            return false;
        ++taken.at(row.handOverAt);
    }
    return std::ranges::all_of(taken, [](int count) { return count == 1; });
}
static_assert(handOverOnce(), "each field is handed over at a place of its own, from 0 up");

inline constexpr std::array handOverOrder = inHandOverOrder();

// The texts of the fields that hold addresses, in the table's order.
inline QStringList addressTexts(const MailFields &fields)
{
    QStringList texts;
    for (const Row &row : rows) {
        if (row.addresses)
            texts << fields.*row.text;
    }
    return texts;
}

// Reached only for a member the table lacks: asked at compile time, the
// build stops there; at run time, the program.
[[noreturn]] inline void noSuchRow() { qFatal("Field table: a member of MailFields has no row"); }

constexpr const Row &rowOf(QString MailFields::*text)
{
    for (const Row &row : rows)
        if (row.text == text)
            return row;
    noSuchRow();
}

constexpr const Row &rowOf(int MailFields::*index)
{
    for (const Row &row : rows)
        if (row.index == index)
            return row;
    noSuchRow();
}

} // namespace FieldTable
