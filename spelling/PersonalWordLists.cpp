#include "PersonalWordLists.h"

#include "common/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const char *const kFolderVariable = "ENCHANT_CONFIG_DIR";

const char *const kSuffixes[] = {".dic", ".exc"};

// Where the library then looks for its folder of lists and finds none: no
// folder can be made or opened under a device, so nothing of the user's is
// read and nothing is written anywhere.
const char *const kNoFolder = "/dev/null";

// The first list of language's that must not be opened, with why.
QString unsafeList(const QString &language)
{
    const QDir lists(PersonalWordLists::folder());
    for (const char *suffix : kSuffixes) {
        const QString path = lists.filePath(language + QLatin1String(suffix));
        const auto status
            = RegularFile::status(path, PersonalWordLists::kMaxBytes, RegularFile::Links::Follow);
        // A missing list is no matter: the library starts an empty one.
        if (status != RegularFile::Status::Regular && status != RegularFile::Status::Missing)
            return path + u' ' + RegularFile::describe(status);
    }
    return {};
}

// The user's folder while the library reads a private copy of it; empty
// when it reads the user's own, or none.
QString &userFolder()
{
    static QString folder;
    return folder;
}

// The copy lives as long as the program; it goes when the program ends.
bool copyLists(const QString &language)
{
    static QTemporaryDir copy(QDir::tempPath() + QStringLiteral("/korvane-client-enchant-XXXXXX"));
    if (!copy.isValid())
        return false;
    const QDir lists(PersonalWordLists::folder());
    for (const char *suffix : kSuffixes) {
        const QString name = language + QLatin1String(suffix);
        const std::optional<QByteArray> words = RegularFile::read(
            lists.filePath(name), PersonalWordLists::kMaxBytes, RegularFile::Links::Follow);
        if (words && !RegularFile::write(copy.filePath(name), *words))
            return false;
    }
    userFolder() = lists.path();
    qputenv(kFolderVariable, QFile::encodeName(copy.path()));
    return true;
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
    if (why.isEmpty() && copyLists(language))
        return why;
    qputenv(kFolderVariable, kNoFolder);
    return why;
}

void keep(const QString &word, const QString &language)
{
    if (userFolder().isEmpty())
        return;
    QDir().mkpath(userFolder());
    RegularFile::append(QDir(userFolder()).filePath(language + QStringLiteral(".dic")), word.toUtf8() + '\n');
}

} // namespace PersonalWordLists
