#include "NewAttachments.h"

#include "ComposerTexts.h"
#include "common/AttachmentList.h"
#include "settings/FieldText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <dirent.h>
#endif

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
        return composerText(ComposerText::FileIsFolder);
    if (!info.exists())
        return composerText(ComposerText::FileMissing);
    if (!info.isFile())
        return composerText(ComposerText::FileNotRegular);
    if (path.contains(u';'))
        return composerText(ComposerText::FileNameSemicolon);
    if (hasControlCharacter(path) || path.endsWith(u' '))
        return composerText(ComposerText::FileNameSpaceOrBreak);
    return {};
}

// A file: URL names a file of this machine when its host is empty or
// "localhost" (RFC 8089); file://server/x is a file on another machine.
bool namesLocalFile(const QUrl &url)
{
    return url.isLocalFile()
        && (url.host().isEmpty() || url.host().compare(u"localhost", Qt::CaseInsensitive) == 0);
}

// The bytes of the names in folder that are not UTF-8 but decode to name.
QByteArray lookalike(const QString &folder, const QString &name)
{
#ifdef Q_OS_UNIX
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(QFile::encodeName(folder).constData()),
                                                   ::closedir);
    if (!dir)
        return {};
    while (const dirent *entry = ::readdir(dir.get())) {
        QByteArray raw(entry->d_name);
        const QString decoded = QString::fromUtf8(raw);
        if (decoded == name && decoded.toUtf8() != raw)
            return raw;
    }
#endif
    return {};
}

} // namespace

NewAttachments::Result NewAttachments::append(const QString &current, const QList<QUrl> &files)
{
    const QStringList listed = parseAttachmentList(current);
    QStringList added;
    Result result{current, {}};
    for (const QUrl &url : files) {
        if (!namesLocalFile(url)) {
            result.refused.append(url.toDisplayString() + QStringLiteral(": ")
                                  + composerText(ComposerText::FileNotLocal));
            continue;
        }
        // The name's bytes as the file system holds them: a name that is not
        // UTF-8 has no text that leads back to it (decoding makes U+FFFD of
        // its stray bytes, which may well name another file).
        const QByteArray name = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        const QString decoded = QString::fromUtf8(name);
        const QString path = QDir::cleanPath(decoded);
        const QString why
            = decoded.toUtf8() != name ? composerText(ComposerText::FileNameUnreadable) : refusal(path);
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

QUrl NewAttachments::chosenFile(const QString &path)
{
    const QFileInfo info(path);
    const QByteArray raw
        = path.contains(QChar::ReplacementCharacter) ? lookalike(info.path(), info.fileName()) : QByteArray();
    if (raw.isEmpty())
        return QUrl::fromLocalFile(path);
    const QByteArray folder = QFile::encodeName(info.path()) + '/';
    return QUrl::fromEncoded("file://" + (folder + raw).toPercentEncoding("/"));
}
