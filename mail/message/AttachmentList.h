#pragma once

#include <QStringList>

// The "Attachments" text is a list of file paths separated by ';'. Each item
// is trimmed of surrounding spaces (spaces inside a path are kept) and empty
// items are dropped, so "a.pdf; ;b c.txt;" names "a.pdf" and "b c.txt".
// A ';' cannot be part of a path.
QStringList parseAttachmentList(const QString &text);
