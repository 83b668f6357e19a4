#include "SendBench.h"

#include "common/AttachmentList.h"
#include "mail/KorvaneSTMP.h"
#include "mail/message/AddressList.h"
#include "mail/message/AttachmentContent.h"
#include "mail/message/AttachmentFile.h"
#include "mail/message/MailRequest.h"
#include "mail/message/MessageSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <utility>

#include <sys/resource.h>

namespace {

const QString kSender = QStringLiteral("Banco Prova <bench@korvane.test>");
const QString kRecipient = QStringLiteral("sink@korvane.test");
const QString kSubject = QStringLiteral("Prova di prestazioni");
const QString kBody = QStringLiteral("Messaggio di prova con un allegato.\n");

rusage processUsage()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}

double cpuMs(const rusage &usage)
{
    const auto ms = [](const timeval &tv) { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace

SendBench::SendBench(const QString &server, QString attachment, int count)
    : m_component(std::make_unique<KorvaneSTMP>()), m_attachment(std::move(attachment)), m_count(count)
{
    m_component->setServer(server);
    m_component->setSender(kSender);
    m_component->setRecipient(kRecipient);
    m_component->setSubject(kSubject);
    m_component->setBody(kBody);
    m_component->setClientName(QStringLiteral("korvane-bench"));
    connect(m_component.get(), &MailComponent::SendCompleted, this, &SendBench::completed);
    connect(m_component.get(), &MailComponent::SendFailed, this, &SendBench::failed);
}

SendBench::~SendBench() = default;

void SendBench::start()
{
    // A process's first send also sets up libcurl and OpenSSL and loads the
    // MIME database, once per run of the program. curl's own time_total
    // leaves its set-up out too, so a message with a tiny attachment goes
    // first and only the sends after it are timed.
    m_warming = true;
    if (!m_warmUpFile.open() || m_warmUpFile.write("warm-up\n") != 8 || !m_warmUpFile.flush()) {
        std::fprintf(stderr, "cannot write the warm-up attachment\n");
        QCoreApplication::exit(1);
        return;
    }
    m_component->setAttachments(m_warmUpFile.fileName());
    m_one.start();
    m_component->Send();
}

void SendBench::startTimed()
{
    m_warming = false;
    m_component->setAttachments(m_attachment);
    m_stalls.start();
    m_total.start();
    sendNext();
}

void SendBench::sendNext()
{
    m_one.start();
    m_component->Send();
}

void SendBench::completed()
{
    if (m_warming) {
        std::printf("warmup_ms=%.3f\n", double(m_one.nsecsElapsed()) / 1e6);
        QMetaObject::invokeMethod(this, &SendBench::startTimed, Qt::QueuedConnection);
        return;
    }
    std::printf("send=%d ms=%.3f\n", m_done + 1, double(m_one.nsecsElapsed()) / 1e6);
    if (++m_done < m_count) {
        // Queued, so the component has fully wound down the previous send.
        QMetaObject::invokeMethod(this, &SendBench::sendNext, Qt::QueuedConnection);
        return;
    }
    m_stalls.stop();
    printSummary();
    QCoreApplication::exit(0);
}

void SendBench::failed(qint16 number, const QString &description) const
{
    std::fprintf(stderr, "send %d failed: %d %s\n", m_done + 1, number, qPrintable(description));
    QCoreApplication::exit(1);
}

void SendBench::printSummary() const
{
    // CPU and memory are the whole process's, start-up included: the script
    // subtracts what a 1 KB send costs.
    const rusage usage = processUsage();
    std::printf("wall_ms=%.3f cpu_ms=%.1f maxrss_kib=%ld longest_gap_ms=%.3f longest_gap_end_ms=%.1f "
                "longest_gap_wait_ms=%.3f longest_gap_run_ms=%.3f longest_gap_major_faults=%ld\n",
                double(m_total.nsecsElapsed()) / 1e6, cpuMs(usage), usage.ru_maxrss, m_stalls.longestGapMs(),
                m_stalls.longestGapEndMs(), m_stalls.longestGapWaitMs(), m_stalls.longestGapRunMs(),
                m_stalls.longestGapMajorFaults());
    std::fflush(stdout);
}

bool dumpMessage(const QString &attachment, const QString &outPath)
{
    MailRequest request;
    request.sender = kSender;
    request.recipient = kRecipient;
    request.subject = kSubject;
    request.body = kBody;
    request.attachments = attachment;
    request.clientName = QStringLiteral("korvane-bench");
    MessageSource message;
    const QString problem = message.build(request, parseAddressList(request.sender).mailboxes,
                                          parseAddressList(request.recipient).mailboxes, {},
                                          parseAttachmentList(request.attachments));
    QFile out(outPath);
    if (!problem.isEmpty() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot dump the message: %s\n", qPrintable(problem));
        return false;
    }
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = message.read(chunk.data(), chunk.size())) > 0;)
        if (out.write(chunk.constData(), n) != n)
            return false;
    return message.error().isEmpty() && message.delivered() == message.size();
}

bool timeCharset(const QString &attachment)
{
    QElapsedTimer clock;
    clock.start();
    QString error;
    const auto file = AttachmentFile::open(attachment, &error);
    const auto content
        = file ? describeAttachment(QFileInfo(attachment).fileName(), *file, &error) : std::nullopt;
    if (!content) {
        std::fprintf(stderr, "cannot judge the file: %s\n", qPrintable(error));
        return false;
    }
    std::printf("charset_ms=%.3f type=%s\n", double(clock.nsecsElapsed()) / 1e6,
                content->contentType.constData());
    return true;
}
