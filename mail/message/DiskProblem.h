#pragma once

#include <QString>

// What errno said of a file or folder the program makes at path (a copy of
// a message sent, an attachment of a message opened, their folders), as one
// sentence for the user.
QString diskProblem(const QString &path, int error);
