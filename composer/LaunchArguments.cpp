#include "LaunchArguments.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

LaunchArguments LaunchArguments::parse(const QStringList &arguments, const QString &workingDirectory)
{
    // Two letters at least, so that a drive such as "C:" is not a scheme.
    static const QRegularExpression urlLike(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const QDir base(workingDirectory);
    LaunchArguments result;
    for (const QString &argument : arguments) {
        const QString asPath = base.absoluteFilePath(argument);
        if (argument.startsWith(QLatin1StringView("mailto:"), Qt::CaseInsensitive))
            result.links.append(argument);
        else if (argument.contains(urlLike) && !QFileInfo::exists(asPath))
            result.files.append(QUrl(argument));
        else
            result.files.append(QUrl::fromLocalFile(asPath));
    }
    return result;
}
