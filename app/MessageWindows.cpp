#include "MessageWindows.h"

#include <QCoreApplication>
#include <QProcess>

bool MessageWindows::open(const QString &path, const QStringList &arguments)
{
    QProcess program;
    program.setProgram(QCoreApplication::applicationFilePath());
    // After "--", a file whose name begins with '-' is still a file.
    program.setArguments(arguments + QStringList{QStringLiteral("--"), path});
    program.setStandardInputFile(QProcess::nullDevice());
    return program.startDetached();
}
