// Any bytes given as a message file to open as a new draft: the reader over
// GMime. Whatever the file holds, either it is refused and nothing of it is
// left on disk, or every attachment lies in the draft's own folder under a
// safe name, and the fields hold no control character a box would not show.
#include "mail/open/MessageFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QString controlIn(const QString &text, bool lineBreaks)
{
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control && c != u'\t' && !(lineBreaks && c == u'\n'))
            return QStringLiteral("a control character U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return {};
}

QString nameProblem(const QString &path, const QString &folder)
{
    const QString name = path.mid(folder.size() + 1);
    if (!path.startsWith(folder + u'/') || name.contains(u'/') || name.startsWith(u'.')
        || name.contains(u';'))
        return QStringLiteral("an attachment outside its folder or under an unsafe name: ") + path;
    return controlIn(name, false);
}

QString problemOf(const OpenedMessage &opened, const QString &root)
{
    const QStringList made = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    if (!opened.problem.isEmpty())
        return made.isEmpty() ? QString() : QStringLiteral("a refused file left ") + made.join(u", ");
    if (made.size() > (opened.folder.isEmpty() ? 0 : 1))
        return QStringLiteral("more than the draft's own folder: ") + made.join(u", ");
    const MailFields &f = opened.fields;
    for (const QString *line : {&f.sender, &f.recipient, &f.cc, &f.bcc, &f.subject}) {
        if (const QString why = controlIn(*line, false); !why.isEmpty())
            return QStringLiteral("a one-line field holds ") + why;
    }
    if (const QString why = controlIn(f.body, true); !why.isEmpty())
        return QStringLiteral("the body holds ") + why;
    for (const QString &path : f.attachments.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
        if (QString why = nameProblem(path, opened.folder); !why.isEmpty())
            return why;
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("messaggio.eml"));
    const QString root = work.filePath(QStringLiteral("Allegati"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    const OpenedMessage opened = MessageFile::read(path, root);
    const QString problem = problemOf(opened, root);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "invariant broken: %s\n", qPrintable(problem));
        std::abort();
    }
    QDir(root).removeRecursively();
    return 0;
}
