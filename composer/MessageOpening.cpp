#include "MessageOpening.h"

#include "ComposerTexts.h"
#include "FieldKeeper.h"
#include "HandlerQueue.h"
#include "LineLengthGuard.h"
#include "common/RegularFile.h"
#include "mail/ReaderModule.h"
#include "mail/open/MessageReader.h"
#include "settings/FieldText.h"
#include "ui/MessageUi.h"

#include "common/FileDescriptor.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QWidget>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

// Enough of a file's start to see whether it begins as a message.
constexpr qint64 kLookedAt = qint64(64) * 1024;

// The text a mail reader would show of html, as the body's box holds it.
QString textOfHtml(const QString &html)
{
    QString text = QTextDocumentFragment::fromHtml(html).toPlainText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    text.replace(QChar::Nbsp, u' ');
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

} // namespace

MessageOpening::MessageOpening(FieldKeeper &fields, MessageUi &ui, HandlerQueue &handlers, QWidget *window)
    : QObject(window), m_fields(fields), m_ui(ui), m_handlers(handlers)
{}

bool MessageOpening::isMessageFile(const QString &path)
{
    // O_NONBLOCK: a FIFO put in the file's place is never waited on.
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat status
    {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    if (path.endsWith(u".eml"_s, Qt::CaseInsensitive))
        return true;
    QByteArray start(kLookedAt, Qt::Uninitialized);
    const ssize_t got = ::read(fd.get(), start.data(), size_t(start.size()));
    start.truncate(std::max<ssize_t>(got, 0));
    start.replace("\r\n", "\n");
    const qsizetype end = start.indexOf("\n\n");
    const QString head = QString::fromLatin1(end < 0 ? start : start.left(end));
    // A header line first, and a "From:" among the header lines.
    static const QRegularExpression header(u"^[!-9;-~]+:"_s);
    static const QRegularExpression from(u"(^|\\n)From:"_s, QRegularExpression::CaseInsensitiveOption);
    return !head.contains(QChar(0)) && head.contains(header) && head.contains(from);
}

bool MessageOpening::holdsMessage() const
{
    const MailFields now = m_fields.fields();
    const std::initializer_list<const QString *> message{&now.recipient, &now.cc,   &now.bcc,
                                                         &now.subject,   &now.body, &now.attachments};
    return std::ranges::any_of(message,
                               [](const QString *field) { return !FieldText::trimmed(*field).isEmpty(); });
}

void MessageOpening::tell(const QString &text)
{
    m_ui.showMessage(text, composerText(ComposerText::WarningTitle), MessageUi::Icon::Information);
}

void MessageOpening::open(const QString &path)
{
    m_handlers.run([this, path] {
        if (m_fields.closed())
            return;
        if (!holdsMessage() && !m_reading)
            openHere(path);
        else
            openElsewhere(path);
    });
}

void MessageOpening::choose()
{
    m_handlers.run([this] {
        const QStringList chosen = m_ui.chooseFiles(composerText(ComposerText::OpenMessageTitle),
                                                    ReaderModule::sentFolder() + u"/cur"_s);
        // The first here if the window is free, each other one in a window of its own.
        for (const QString &path : chosen)
            open(path);
    });
}

void MessageOpening::openHere(const QString &path)
{
    if (m_reading) {
        openElsewhere(path);
        return;
    }
    m_reading = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ReaderModule::read(this, path,
                       [this, path, before = m_fields.fields()](std::optional<OpenedMessage> opened) {
                           QGuiApplication::restoreOverrideCursor();
                           m_reading = false;
                           if (m_fields.closed())
                               return;
                           if (!opened) {
                               tell(composerText(ComposerText::ReaderMissing).arg(ReaderModule::loadError()));
                               return;
                           }
                           // Typed into while the file was read: the message goes to a window
                           // of its own rather than over what was typed.
                           if (m_fields.fields() != before) {
                               removeFolder(*opened);
                               openElsewhere(path);
                               return;
                           }
                           fill(*opened);
                       });
}

void MessageOpening::openElsewhere(const QString &path)
{
    if (m_openWindow)
        m_openWindow(path);
}

void MessageOpening::removeFolder(const OpenedMessage &opened)
{
    if (!opened.folder.isEmpty())
        QDir(opened.folder).removeRecursively();
}

void MessageOpening::fill(const OpenedMessage &opened)
{
    if (!opened.problem.isEmpty()) {
        tell(opened.problem);
        return;
    }
    // A new message over the window's server and account: the sender only
    // when the file names one.
    MailFields message = m_fields.fields();
    const MailFields &read = opened.fields;
    if (!read.sender.isEmpty())
        message.sender = read.sender;
    message.recipient = read.recipient;
    message.cc = read.cc;
    message.bcc = read.bcc;
    message.subject = read.subject;
    message.body = opened.bodyIsHtml ? textOfHtml(read.body) : read.body;
    message.attachments = read.attachments;
    message.priorityIndex = read.priorityIndex;
    if (const QStringList over = m_fields.overLongBoxes(message); !over.isEmpty()) {
        removeFolder(opened);
        tell(LineLengthGuard::messageRefused(over));
        return;
    }
    m_fields.setFields(message);
}
