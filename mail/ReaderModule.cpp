#include "ReaderModule.h"

#include "MailTexts.h"
#include "ReaderBuild.h"
#include "common/ThreadRelay.h"
#include "mail/message/SentFolder.h"
#include "mail/open/MessageReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#ifndef Q_OS_WIN
#include <dlfcn.h>
#endif

namespace {

struct Loaded
{
    MessageReader *entry = nullptr;
    QString error;
};

// The folders the dynamic loader searches for the program's libraries, its
// run path (the build tree's) among them, as the transport's loader reads them.
QStringList librarySearchPath()
{
    QStringList folders;
#ifndef Q_OS_WIN
    const auto close = [](void *handle) { dlclose(handle); };
    const std::unique_ptr<void, decltype(close)> program(dlopen(nullptr, RTLD_NOW), close);
    Dl_serinfo size{};
    if (!program || dlinfo(program.get(), RTLD_DI_SERINFOSIZE, &size) != 0)
        return folders;
    const std::unique_ptr<Dl_serinfo, decltype(&std::free)> info(
        static_cast<Dl_serinfo *>(std::malloc(size.dls_size)), &std::free);
    if (!info || dlinfo(program.get(), RTLD_DI_SERINFOSIZE, info.get()) != 0
        || dlinfo(program.get(), RTLD_DI_SERINFO, info.get()) != 0)
        return folders;
    for (unsigned i = 0; i < info->dls_cnt; ++i)
        folders << QFile::decodeName(info->dls_serpath[i].dls_name);
#endif
    return folders;
}

Loaded open(const QString &path)
{
    QPluginLoader loader(path);
    const QJsonObject about = loader.metaData();
    const QJsonObject built = about.value(u"MetaData").toObject();
    if (about.value(u"IID").toString() != QLatin1String(KorvaneMessageReader_iid)
        || built.value(u"version").toString() != QLatin1String(KORVANE_VERSION)
        || built.value(u"build").toString() != QLatin1String(KORVANE_READER_BUILD))
        return {nullptr, mailText(MailText::TransportOtherVersion).arg(path)};
    auto *plugin = qobject_cast<MessageReader *>(loader.instance());
    if (!plugin)
        return {nullptr, loader.errorString()};
    return {plugin, {}};
}

// Where the program installs it, then along the run path; never in a
// relative folder, which is wherever the program was started from.
Loaded load()
{
    const QString installed
        = QCoreApplication::applicationDirPath() + QStringLiteral("/" KORVANE_TRANSPORT_FROM_BIN);
    Loaded refused;
    for (const QString &folder : QStringList{installed} + librarySearchPath()) {
        const QString path = folder + QStringLiteral("/" KORVANE_READER_FILE);
        if (!QDir::isAbsolutePath(folder) || !QFileInfo::exists(path))
            continue;
        Loaded found = open(path);
        if (found.entry)
            return found;
        if (refused.error.isEmpty())
            refused = std::move(found);
    }
    if (refused.error.isEmpty())
        refused.error = installed + QStringLiteral("/" KORVANE_READER_FILE);
    return refused;
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
