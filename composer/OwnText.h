#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// What of a message the user wrote in it: not the signature, not a message
// quoted or forwarded below, not a subject carried over from the message
// replied to or forwarded. Whatever speaks there was written for another
// message, or for every message.
namespace OwnText {

// The lines of body above the signature (a line "-- ") and above the opening
// line of a quoted or forwarded message, less the quoted lines ('>').
QList<QStringView> bodyLines(const QString &body);
// False for a subject that begins with a reply's or a forward's prefix
// ("Re:", "R:", "I:", "Fwd:", ...).
bool ownSubject(const QString &subject);
// Lower case, unaccented, words one space apart: "allegàto" is "allegato", as
// whoever typed it meant.
QString fold(QStringView text);

} // namespace OwnText
