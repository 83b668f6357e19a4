#include "ModuleFile.h"

#include "MailTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>

#include <cstdlib>
#include <memory>

#ifndef Q_OS_WIN
#include <dlfcn.h>
#endif

// Qt's plugin loader reads the module's metadata from the file first: a
// module of another build (its types across the boundary laid out otherwise,
// the same interface id or not) is refused before anything of it runs.
ModuleFile::Opened ModuleFile::open(const QString &path, const char *iid, const char *build)
{
    QPluginLoader loader(path);
    const QJsonObject about = loader.metaData();
    if (about.isEmpty()) {
        // Qt's words name no file; the text they go into ends with its own full stop.
        QString why = loader.errorString();
        if (why.endsWith(u'.'))
            why.chop(1);
        return {nullptr, path + QStringLiteral(": ") + why};
    }
    const QJsonObject built = about.value(u"MetaData").toObject();
    if (about.value(u"IID").toString() != QLatin1String(iid)
        || built.value(u"version").toString() != QLatin1String(KORVANE_VERSION)
        || built.value(u"build").toString() != QLatin1String(build))
        return {nullptr, mailText(MailText::TransportOtherVersion).arg(path)};
    QObject *instance = loader.instance();
    if (!instance)
        return {nullptr, loader.errorString()};
    return {instance, {}};
}

ModuleFile::Opened ModuleFile::search(const QStringList &folders, const QString &fileName, const char *iid,
                                      const char *build)
{
    QString refused;
    for (const QString &folder : folders) {
        // A relative folder is wherever the program was started from (an
        // empty run path entry, as CMake's build run path ends with, means
        // the current one); the module's constructor would run before its
        // version is checked. $ORIGIN is already expanded by the loader.
        if (!QDir::isAbsolutePath(folder))
            continue;
        const QString path = folder + u'/' + fileName;
        if (!QFileInfo::exists(path))
            continue;
        Opened found = open(path, iid, build);
        if (found.instance)
            return found;
        if (refused.isEmpty())
            refused = std::move(found.error);
    }
    return {nullptr, refused};
}

// dlopen of a bare name is not enough, as it searches along the run path of
// whoever calls it, and a sanitizer's runtime intercepts the call.
QStringList ModuleFile::librarySearchPath()
{
#ifdef Q_OS_WIN
    return {};
#else
    const auto close = [](void *handle) { dlclose(handle); };
    const std::unique_ptr<void, decltype(close)> handle(dlopen(nullptr, RTLD_NOW), close);
    void *program = handle.get();
    Dl_serinfo size{};
    if (!program || dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0)
        return {};
    const std::unique_ptr<Dl_serinfo, decltype(&std::free)> info(
        static_cast<Dl_serinfo *>(std::malloc(size.dls_size)), &std::free);
    if (!info || dlinfo(program, RTLD_DI_SERINFOSIZE, info.get()) != 0
        || dlinfo(program, RTLD_DI_SERINFO, info.get()) != 0)
        return {};
    QStringList folders;
    for (unsigned i = 0; i < info->dls_cnt; ++i)
        folders << QFile::decodeName(info->dls_serpath[i].dls_name);
    return folders;
#endif
}
