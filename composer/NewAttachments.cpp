#include "NewAttachments.h"

#include "FieldText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

bool hasControlCharacter(const QString &path)
{
    return std::any_of(path.begin(), path.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// Why path cannot be attached, or an empty text when it can.
QString refusal(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("è una cartella, non un file.");
    if (!info.exists())
        return QStringLiteral("non esiste.");
    if (!info.isFile())
        return QStringLiteral("non è un file normale.");
    if (path.contains(u';'))
        return QStringLiteral("il nome contiene \";\", che in Allegati separa i file.");
    if (hasControlCharacter(path) || path.endsWith(u' '))
        return QStringLiteral("il nome finisce con uno spazio o contiene un a capo.");
    return {};
}

// The paths the box lists: ';'-separated, spaces around each ignored.
QStringList listedPaths(const QString &text)
{
    QStringList paths;
    for (const QString &item : text.split(u';'))
        paths.append(FieldText::trimmed(item));
    return paths;
}

} // namespace

NewAttachments::Result NewAttachments::append(const QString &current, const QList<QUrl> &files)
{
    const QStringList listed = listedPaths(current);
    QStringList added;
    Result result{current, {}};
    for (const QUrl &url : files) {
        if (!url.isLocalFile()) {
            result.refused.append(url.toDisplayString() + QStringLiteral(": non è un file locale."));
            continue;
        }
        const QString path = QDir::cleanPath(url.toLocalFile());
        const QString why = refusal(path);
        if (!why.isEmpty())
            result.refused.append(path + QStringLiteral(": ") + why);
        else if (!listed.contains(path) && !added.contains(path))
            added.append(path);
    }
    if (!result.refused.isEmpty() || added.isEmpty())
        return result;
    QString text = FieldText::withoutTrailingSpaces(current);
    if (!FieldText::trimmed(text).isEmpty())
        text += text.endsWith(u';') ? QStringLiteral(" ") : QStringLiteral("; ");
    else
        text.clear();
    result.text = text + added.join(QStringLiteral("; "));
    return result;
}
