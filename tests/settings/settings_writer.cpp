// Test-only program: saves a full set of fields the way the window does when
// it closes, every value marked with a tag so a reader can tell whose set a
// file holds. "once TAG" saves when a line arrives on stdin; "loop TAG" saves
// again and again, a new tag each round, until it is killed.
#include "settings/QSettingsStore.h"
#include "settings/SavedFields.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

MailFields taggedFields(const QString &tag)
{
    MailFields f;
    const auto value = [&tag](const char *field) { return tag + u'|' + QLatin1StringView(field); };
    f.server = value("server");
    f.sender = value("sender");
    f.recipient = value("recipient");
    f.cc = value("cc");
    f.bcc = value("bcc");
    f.attachments = value("attachments");
    f.subject = value("subject");
    // Long enough that writing the file is not a single tiny write.
    f.body = value("body") + QStringLiteral("\nriga due\n") + QString(4000, u'x');
    f.priorityIndex = 2;
    return f;
}

void say(const char *line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString &tag = args.at(2);
    QSettingsStore store;
    if (args.at(1) == QLatin1String("once")) {
        say("ready");
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly) || in.readLine().isEmpty())
            return 3;
        SavedFields::StoreFields(store, taggedFields(tag));
        return 0;
    }
    if (args.at(1) != QLatin1String("loop"))
        return 2;
    for (qint64 round = 0;; ++round) {
        SavedFields::StoreFields(store, taggedFields(tag + u'-' + QString::number(round)));
        if (round == 0)
            say("ready");
    }
}
