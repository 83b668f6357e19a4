#include "PersonalWordLists.h"

#include "RegularFile.h"

#include <QDir>

namespace {

const char *const kFolderVariable = "ENCHANT_CONFIG_DIR";

// Where the library then looks for its folder of lists and finds none: no
// folder can be made or opened under a device, so nothing of the user's is
// read and nothing is written anywhere.
const char *const kNoFolder = "/dev/null";

// The first list of language's that must not be opened, with why.
QString unsafeList(const QString &language)
{
    const QDir lists(PersonalWordLists::folder());
    for (const char *suffix : {".dic", ".exc"}) {
        const QString path = lists.filePath(language + QLatin1String(suffix));
        const auto status
            = RegularFile::status(path, PersonalWordLists::kMaxBytes, RegularFile::Links::Follow);
        // A missing list is no matter: the library starts an empty one.
        if (status != RegularFile::Status::Regular && status != RegularFile::Status::Missing)
            return path + u' ' + RegularFile::describe(status);
    }
    return {};
}

} // namespace

namespace PersonalWordLists {

QString folder()
{
    // As the library reads them: its own variable wins even when empty, then
    // the configuration folder when not empty, then the home folder's.
    if (qEnvironmentVariableIsSet(kFolderVariable))
        return qEnvironmentVariable(kFolderVariable);
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir(config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config)
        .filePath(QStringLiteral("enchant"));
}

QString leaveAloneIfUnsafe(const QString &language)
{
    QString why = unsafeList(language);
    if (!why.isEmpty())
        qputenv(kFolderVariable, kNoFolder);
    return why;
}

} // namespace PersonalWordLists
