#include "MessageFile.h"

#include "DraftFolder.h"
#include "GMimeHandles.h"
#include "MessageBounds.h"
#include "MimeWalk.h"
#include "common/FileDescriptor.h"
#include "common/Priorities.h"
#include "common/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

// What the parser said on its way that makes the message one not to open.
struct Findings
{
    bool tooDeep = false;
    bool truncated = false;
};

void noteWarning(gint64 /*offset*/, GMimeParserWarning code, const gchar * /*item*/, gpointer findings)
{
    auto *found = static_cast<Findings *>(findings);
    if (code == GMIME_CRIT_NESTING_OVERFLOW)
        found->tooDeep = true;
    else if (code == GMIME_WARN_TRUNCATED_MESSAGE)
        found->truncated = true;
}

// One line of a box: folding, tabs and other control characters as spaces.
QString oneLine(const char *text)
{
    QString line = QString::fromUtf8(text);
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return line.trimmed();
}

// The body's lines as the box keeps them: "\n" at their ends, no other
// control character but the tab.
QString bodyText(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control && c != u'\n' && c != u'\t'; });
    return text;
}

// "Name <address>" as the address boxes take it; a name that holds what
// separates addresses, or looks like one, in quotes.
QString mailboxText(const QString &name, const QString &address)
{
    if (name.isEmpty())
        return address;
    static const QString specials = u"\"(),.:;<>@[\\]"_s;
    const bool plain = std::ranges::none_of(name, [](QChar c) { return specials.contains(c); });
    if (plain)
        return name + u" <"_s + address + u'>';
    QString quoted = name;
    quoted.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s);
    return u'"' + quoted + u"\" <"_s + address + u'>';
}

// The mailboxes of a list, a group's members among them (a group with none,
// "undisclosed-recipients:;", gives nothing), joined as a box shows them.
QString addressesOf(InternetAddressList *list, bool inGroup = false)
{
    QStringList boxes;
    const int count = list ? internet_address_list_length(list) : 0;
    for (int i = 0; i < count; ++i) {
        InternetAddress *address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_GROUP(address) && !inGroup) {
            const QString members
                = addressesOf(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), true);
            if (!members.isEmpty())
                boxes << members;
        } else if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
            const char *name = internet_address_get_name(address);
            boxes << mailboxText(
                oneLine(name ? name : ""),
                oneLine(internet_address_mailbox_get_idn_addr(INTERNET_ADDRESS_MAILBOX(address))));
        }
    }
    return boxes.join(u", "_s);
}

// X-Priority's first digit (1 and 2 high, 4 and 5 low), else Importance.
int priorityOf(GMimeObject *message)
{
    if (const char *x = g_mime_object_get_header(message, "X-Priority")) {
        const QByteArray value = QByteArray(x).trimmed();
        const char digit = value.isEmpty() ? '3' : value.at(0);
        if (digit >= '1' && digit <= '5')
            return priorityIndexForCode(digit < '3' ? 1 : (digit > '3' ? 5 : 3));
    }
    if (const char *importance = g_mime_object_get_header(message, "Importance")) {
        const QByteArray value = QByteArray(importance).trimmed().toLower();
        if (value == "high")
            return priorityIndexForCode(1);
        if (value == "low")
            return priorityIndexForCode(5);
    }
    return defaultPriorityIndex;
}

// A message names at least one of these; a file that does not is none.
bool looksLikeMessage(GMimeObject *message)
{
    const std::initializer_list<const char *> names{"From",    "To",   "Cc",        "Bcc",
                                                    "Subject", "Date", "Message-ID"};
    return std::ranges::any_of(
        names, [message](const char *name) { return g_mime_object_get_header(message, name) != nullptr; });
}

void fillFields(GMimeMessage *message, MailFields &fields)
{
    fields.sender = addressesOf(g_mime_message_get_from(message));
    fields.recipient = addressesOf(g_mime_message_get_to(message));
    fields.cc = addressesOf(g_mime_message_get_cc(message));
    fields.bcc = addressesOf(g_mime_message_get_bcc(message));
    const char *subject = g_mime_message_get_subject(message);
    fields.subject = oneLine(subject ? subject : "");
    fields.priorityIndex = priorityOf(GMIME_OBJECT(message));
}

} // namespace

namespace MessageFile {

namespace {

OpenedMessage refused(ReaderText why, const QString &path, const QString &detail = {})
{
    const QString shown = QDir::toNativeSeparators(path);
    OpenedMessage opened;
    switch (why) {
    case ReaderText::TooLarge:
        opened.problem = readerText(why).arg(shown, u"1 GB"_s);
        break;
    case ReaderText::TooManyParts:
        opened.problem
            = readerText(why).arg(shown, QLocale(QLocale::Italian).toString(MessageBounds::kMostDelimiters));
        break;
    case ReaderText::AttachmentsNotSaved:
        opened.problem = readerText(why).arg(shown, detail);
        break;
    default:
        opened.problem = readerText(why).arg(shown);
    }
    return opened;
}

std::optional<ReaderText> statusProblem(const QString &path)
{
    switch (RegularFile::status(path, MessageBounds::kMostBytes, RegularFile::Links::Follow)) {
    case RegularFile::Status::Regular:
        return std::nullopt;
    case RegularFile::Status::TooLarge:
        return ReaderText::TooLarge;
    case RegularFile::Status::Special:
    case RegularFile::Status::Link:
        return ReaderText::NotRegular;
    default:
        return ReaderText::Unreadable;
    }
}

} // namespace

OpenedMessage read(const QString &path, const QString &attachmentsRoot)
{
    static std::once_flag setUp;
    std::call_once(setUp, [] { g_mime_init(); });
    if (auto problem = statusProblem(path))
        return refused(*problem, path);
    // Not waiting on a FIFO put in its place meanwhile: MessageBounds refuses it.
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    qint64 size = 0;
    if (!fd.valid())
        return refused(ReaderText::Unreadable, path);
    if (auto problem = MessageBounds::check(fd.get(), &size))
        return refused(*problem, path);
    // Only the bytes looked at: the stream's own descriptor, which GMime closes.
    const int own = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return refused(ReaderText::Unreadable, path);
    const GOwned<GMimeStream> stream(g_mime_stream_fs_new_with_bounds(own, 0, size));
    const GOwned<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    Findings found;
    GMimeParserOptions *options = g_mime_parser_options_new();
    g_mime_parser_options_set_warning_callback(options, noteWarning, &found);
    const GOwned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
    g_mime_parser_options_free(options);
    if (!message || !looksLikeMessage(GMIME_OBJECT(message.get())))
        return refused(ReaderText::NotAMessage, path);
    if (found.tooDeep || found.truncated)
        return refused(found.tooDeep ? ReaderText::TooDeep : ReaderText::Truncated, path);
    OpenedMessage opened;
    fillFields(message.get(), opened.fields);
    DraftFolder folder(attachmentsRoot);
    MimeWalk walk(folder);
    if (auto stop = walk.walk(message.get()))
        return refused(*stop, path, folder.problem());
    opened.fields.body = bodyText(walk.body());
    opened.bodyIsHtml = walk.bodyIsHtml();
    opened.fields.attachments = walk.attachments().join(u"; "_s);
    folder.keep();
    opened.folder = folder.path();
    return opened;
}

} // namespace MessageFile
