#include "DraftWindows.h"

#include <QCoreApplication>
#include <QProcess>

constexpr char variable[] = "KORVANE_CLIENT_DRAFT";

QString DraftWindows::takeOffered()
{
    QString path = qEnvironmentVariable(variable);
    qunsetenv(variable);
    return path;
}

bool DraftWindows::open(const QString &path, const QStringList &arguments)
{
    QProcess program;
    program.setProgram(QCoreApplication::applicationFilePath());
    program.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), path);
    program.setProcessEnvironment(environment);
    program.setStandardInputFile(QProcess::nullDevice());
    return program.startDetached();
}
