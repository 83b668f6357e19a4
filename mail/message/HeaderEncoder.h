#pragma once

#include "AddressList.h"

#include <QByteArray>
#include <QString>

// Header lines for a message on the wire: 7-bit, each ending in CRLF, folded
// at white space so no line passes 76 characters unless one word alone is
// longer. Text that cannot travel as it is (non-ASCII, control characters,
// very long words, leading or doubled spaces) becomes RFC 2047 encoded words
// in UTF-8, split between whole characters.

// "Name: w1 w2 ..." for words that travel as they are (ASCII, no spaces), such
// as a Content-Type and its parameters, folded between words.
QByteArray foldedHeader(const QByteArray &name, const QList<QByteArray> &words);

// "Name: value" for free text such as Subject or X-Mailer.
QByteArray unstructuredHeader(const QByteArray &name, const QString &value);

// "Name: a, b, c" for From, To, Cc: display names quoted or encoded as needed.
QByteArray addressHeader(const QByteArray &name, const QList<Mailbox> &mailboxes);

// "Content-Disposition: attachment; filename=..." with the name quoted when it
// is short plain ASCII, otherwise RFC 2231-encoded (UTF-8, split into parts
// between whole characters).
QByteArray attachmentDisposition(const QString &fileName);
