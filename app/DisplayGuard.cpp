#include "DisplayGuard.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

// The handler is a plain function: its state lives here, and Qt may call it
// from any thread (a plugin's own) while the application is being built.
struct GuardState
{
    std::mutex lock;
    QList<HeldMessage> held;
    QtMessageHandler previous = nullptr;
    QString (*exitLine)(const QString &) = nullptr;
};

GuardState &state()
{
    static GuardState instance;
    return instance;
}

// Qt's first warning names the cause ("could not connect to display :57");
// its final fatal message only says that no plugin could be started.
QString reasonOf(const GuardState &guard, const QString &fatal)
{
    for (const HeldMessage &message : guard.held) {
        if (message.type == QtWarningMsg || message.type == QtCriticalMsg)
            return message.text.simplified();
    }
    return fatal.section(u'\n', 0, 0).simplified();
}

void holdOrExit(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    GuardState &guard = state();
    const std::lock_guard lock(guard.lock);
    if (type != QtFatalMsg) {
        guard.held.append({type, context.file, context.line, context.function, context.category, text});
        return;
    }
    const QString reason = QStringLiteral("Qt: «%1»").arg(reasonOf(guard, text));
    std::fputs(guard.exitLine(reason).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    // Qt would abort once this returns; nothing of the program is built yet.
    std::_Exit(1);
}

} // namespace

DisplayGuard::DisplayGuard(QString (*exitLine)(const QString &reason))
{
    GuardState &guard = state();
    const std::lock_guard lock(guard.lock);
    guard.exitLine = exitLine;
    guard.held.clear();
    guard.previous = qInstallMessageHandler(holdOrExit);
}

DisplayGuard::~DisplayGuard() { release(); }

void DisplayGuard::release()
{
    if (!m_armed)
        return;
    m_armed = false;
    GuardState &guard = state();
    QList<HeldMessage> held;
    {
        const std::lock_guard lock(guard.lock);
        qInstallMessageHandler(guard.previous);
        held.swap(guard.held);
    }
    for (const HeldMessage &message : std::as_const(held)) {
        const QMessageLogContext context(message.file.constData(), message.line, message.function.constData(),
                                         message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
}
