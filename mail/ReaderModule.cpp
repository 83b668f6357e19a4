#include "ReaderModule.h"

#include "ModuleFile.h"
#include "ReaderBuild.h"
#include "common/ThreadRelay.h"
#include "mail/message/SentFolder.h"
#include "mail/open/MessageReader.h"

#include <QCoreApplication>
#include <QDir>

#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct Loaded
{
    MessageReader *entry = nullptr;
    QString error;
};

// Where the program installs it, then along the run path.
Loaded load()
{
    const QString installed
        = QCoreApplication::applicationDirPath() + QStringLiteral("/" KORVANE_TRANSPORT_FROM_BIN);
    const ModuleFile::Opened found = ModuleFile::search(
        QStringList{installed} + ModuleFile::librarySearchPath(), QStringLiteral(KORVANE_READER_FILE),
        KorvaneMessageReader_iid, KORVANE_READER_BUILD);
    if (auto *reader = qobject_cast<MessageReader *>(found.instance))
        return {reader, {}};
    if (found.error.isEmpty())
        return {nullptr, installed + QStringLiteral("/" KORVANE_READER_FILE)};
    return {nullptr, found.error};
}

const Loaded &loaded()
{
    static const Loaded once = load();
    return once;
}

// Held by a read, and by the application's end for good.
std::timed_mutex &reading()
{
    static auto *const mutex = new std::timed_mutex; // never destroyed: a read may still wait on it
    return *mutex;
}

// As the application goes, before exit() begins: a load running into exit's
// destructors would run the initialisers of libraries already torn down
// again, and a read would write into a folder nobody keeps.
void holdReadsForExit() { static_cast<void>(reading().try_lock_for(std::chrono::seconds(3))); }

} // namespace

MessageReader *ReaderModule::entry() { return loaded().entry; }

QString ReaderModule::loadError() { return loaded().error; }

void ReaderModule::read(QObject *receiver, const QString &path,
                        std::function<void(std::optional<OpenedMessage>)> then)
{
    static std::once_flag holding;
    std::call_once(holding, [] { qAddPostRoutine(holdReadsForExit); });
    auto work = [relay = ThreadRelay::to(receiver), path, root = attachmentsRoot(), then = std::move(then)] {
        std::optional<OpenedMessage> opened;
        {
            const std::lock_guard hold(reading());
            if (MessageReader *reader = entry())
                opened = reader->open(path, root);
        }
        relay->post([then, opened = std::move(opened)] { then(opened); });
    };
    try {
        std::thread(work).detach();
    } catch (const std::system_error &) {
        work();
    }
}

QString ReaderModule::sentFolder() { return SentFolder::path(); }

QString ReaderModule::attachmentsRoot()
{
    return QDir::cleanPath(SentFolder::path() + QStringLiteral("/../Allegati"));
}
