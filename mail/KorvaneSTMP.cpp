#include "KorvaneSTMP.h"

#include "DetachedWorkers.h"
#include "MailTexts.h"
#include "ProgressPace.h"
#include "TransportModule.h"
#include "common/SecretHold.h"
#include "common/SecretWipe.h"
#include "common/StandardError.h"
#include "common/ThreadRelay.h"
#include "mail/message/SentFolder.h"
#include "mail/send/SendTask.h"
#include "mail/smtp/SmtpTexts.h"

#include <QTimer>

#include <system_error>
#include <thread>
#include <vector>

namespace {

QString outcomeLine(const SendOutcome &outcome)
{
    if (outcome.ok())
        return mailText(MailText::TranscriptAccepted);
    return mailText(MailText::TranscriptFailed).arg(QString::number(outcome.number), outcome.description);
}

// The one line of a send refused before a transport took it; with echo, it
// goes to standard error too, as every transcript line does.
QString refusalTranscript(const SendOutcome &outcome, bool echo)
{
    QString line = outcomeLine(outcome);
    if (echo)
        StandardError::echoLine(line.toLocal8Bit());
    return line;
}

} // namespace

struct KorvaneSTMP::Private
{
    MailRequest properties;
    std::shared_ptr<SendTask> job;
    // The send's way back, until the next send starts.
    std::shared_ptr<ThreadRelay> relay;
    // Earlier sends that may still be saying QUIT.
    std::vector<std::weak_ptr<SendTask>> windingDown;
    AboutPresenter presentAbout;
    // Taken while properties hold a password, and handed to the send that
    // takes the password: one count of holds, the program's.
    std::shared_ptr<SecretHold> passwordHold;
    // What the send under way sends, with its hold, until its job has it.
    MailRequest request;
    std::shared_ptr<SecretHold> requestHold;
    QString lastTranscript;
    bool ready = true;
    bool verbose = false;

    // A send refused before a transport took it fails on the next turn of
    // the event loop, as every outcome comes after Send() has returned.
    void refuseLater(KorvaneSTMP *self, SendError error, const QString &text) const
    {
        const QString line = refusalTranscript(SendOutcome::failure(error, text), verbose);
        QTimer::singleShot(0, self, [self, error, text, line] {
            self->d->lastTranscript = line;
            Q_EMIT self->SendFailed(qint16(error), text);
        });
    }

    void begin(KorvaneSTMP *self);
    static void work(KorvaneSTMP *self, TransportPlugin &transport, const std::shared_ptr<SendTask> &job,
                     ThreadRelay &relay);
};

// Once the transport module is there: the job made, and its worker started.
void KorvaneSTMP::Private::begin(KorvaneSTMP *self)
{
    const auto refuse = [this, self](SendError error, const QString &text) {
        SecretWipe::wipe(request.password);
        requestHold.reset();
        ready = true;
        refuseLater(self, error, text);
    };
    TransportPlugin *transport = TransportModule::entry();
    if (!transport) {
        refuse(SendError::Internal, mailText(MailText::TransportMissing).arg(TransportModule::loadError()));
        return;
    }
    // The previous send has reported; whatever it still does (QUIT, its
    // cleanup) it does on its own and has nothing more to say.
    if (relay)
        relay->close();
    auto newJob
        = transport->makeTask(request, verbose ? &StandardError::echoLine : nullptr, std::move(requestHold));
    // The job holds the only copy of the password now, and wipes it when done.
    SecretWipe::wipe(request.password);
    auto newRelay = ThreadRelay::to(self);
    if (!DetachedWorkers::start(
            [self, newJob, newRelay, transport] { work(self, *transport, newJob, *newRelay); })) {
        newRelay->close();
        refuse(SendError::Internal, smtpText(SmtpText::CannotStart));
        return;
    }
    std::erase_if(windingDown, [](const std::weak_ptr<SendTask> &earlier) { return earlier.expired(); });
    if (job)
        windingDown.push_back(job);
    job = std::move(newJob);
    relay = std::move(newRelay);
}

// On the send's worker: the transport's set-up, then the send; the job tells
// the outcome exactly once (or not at all once aborted), as soon as it is
// known, while the goodbye to the server goes on.
void KorvaneSTMP::Private::work(KorvaneSTMP *self, TransportPlugin &transport,
                                const std::shared_ptr<SendTask> &job, ThreadRelay &relay)
{
    const auto tell = [self, &relay, &job](const SendOutcome &outcome) {
        job->addTranscriptLine(outcomeLine(outcome));
        relay.post([self, outcome, lines = job->transcriptText()] { self->finish(outcome, lines); });
    };
    if (!transport.initialise()) {
        tell(SendOutcome::failure(SendError::Internal, mailText(MailText::NetworkLibraryFailed)));
        return;
    }
    DetachedWorkers::holdExitForWorkers();
    ProgressPace pace;
    const auto progress = [self, &pace, &relay](qint64 sent, qint64 total) {
        if (pace.due(sent, total))
            relay.post([self, sent, total] { Q_EMIT self->progressChanged(sent, total); });
    };
    job->run(progress, tell);
}

KorvaneSTMP::KorvaneSTMP(AboutPresenter presentAbout, QObject *parent)
    : MailComponent(parent), d(std::make_unique<Private>())
{
    d->presentAbout = std::move(presentAbout);
}

KorvaneSTMP::~KorvaneSTMP()
{
    // The send under way, if any, is cut off where it stands and winds down
    // on its own thread; nothing here waits for it, nor hears from it.
    if (d->relay)
        d->relay->close();
    if (d->job)
        d->job->abort();
    for (const auto &earlier : d->windingDown)
        if (const auto job = earlier.lock())
            job->abort();
    SecretWipe::wipe(d->properties.password);
    SecretWipe::wipe(d->request.password);
}

void KorvaneSTMP::setField(QString MailFields::*field, const QString &value)
{
    if (field)
        d->properties.*field = value;
}
void KorvaneSTMP::setPriority(qint32 value) { d->properties.priorityIndex = priorityIndexForCode(value); }
void KorvaneSTMP::setClientName(const QString &value) { d->properties.clientName = value; }
QString KorvaneSTMP::ClientName() const { return d->properties.clientName; }
void KorvaneSTMP::setPassword(const QString &value)
{
    if (!value.isEmpty() && !d->passwordHold)
        d->passwordHold = std::make_shared<SecretHold>();
    SecretWipe::wipe(d->properties.password);
    d->properties.password = value;
    if (value.isEmpty())
        d->passwordHold.reset();
}
void KorvaneSTMP::setUsername(const QString &value) { d->properties.username = value; }
void KorvaneSTMP::setCaFile(const QString &path) { d->properties.caFile = path; }
void KorvaneSTMP::setConnectTimeoutMs(int ms) { d->properties.connectTimeoutMs = ms; }
void KorvaneSTMP::setStallTimeoutMs(int ms) { d->properties.stallTimeoutMs = ms; }
void KorvaneSTMP::setUsualPorts(quint16 plain, quint16 submission, quint16 implicitTls)
{
    d->properties.plainPort = plain;
    d->properties.submissionPort = submission;
    d->properties.implicitTlsPort = implicitTls;
}

bool KorvaneSTMP::IsReady() const { return d->ready; }
QString KorvaneSTMP::lastTranscript() const { return d->lastTranscript; }
void KorvaneSTMP::setVerbose(bool on) { d->verbose = on; }

void KorvaneSTMP::Send()
{
    if (!d->ready) {
        d->refuseLater(this, SendError::AlreadySending, mailText(MailText::AlreadySending));
        return;
    }
    d->ready = false;
    // What is sent is what the properties hold now.
    d->request = d->properties;
    d->requestHold = std::move(d->passwordHold);
    SecretWipe::wipe(d->properties.password);
    // The first send waits for the module's load on a thread of its own, not
    // on the window's: it begins once the module is there.
    if (TransportModule::loaded())
        d->begin(this);
    else
        TransportModule::whenLoaded(this, [this] { d->begin(this); });
}

void KorvaneSTMP::finish(const SendOutcome &outcome, const QString &transcript)
{
    d->ready = true;
    d->lastTranscript = transcript;
    if (outcome.ok()) {
        Q_EMIT SendCompleted();
        if (!outcome.copyProblem.isEmpty())
            Q_EMIT sentCopyNotKept(outcome.copyProblem);
    } else
        Q_EMIT SendFailed(outcome.number, outcome.description);
}

void KorvaneSTMP::prepare()
{
    TransportModule::preload();
    // What a crash left half written among the messages sent goes, off
    // the window's thread. Detached: nothing waits for it, not even exit;
    // what it has not removed the next start does.
    try {
        std::thread([maildir = SentFolder::path()] { SentFolder::sweep(maildir); }).detach();
    } catch (const std::system_error &) {
        // No thread now: a later send, or the next start, sweeps instead.
    }
}

void KorvaneSTMP::AboutBox()
{
    if (!d->presentAbout)
        return;
    // The libcurl the transport was built with: the box, shown at every
    // start, does not load the module, which waits for the first send.
    const QString text
        = mailText(MailText::AboutText)
              .arg(QStringLiteral(KORVANE_VERSION), d->properties.clientName,
                   QStringLiteral("libcurl " KORVANE_CURL_VERSION), QString::fromLatin1(qVersion()));
    d->presentAbout(mailText(MailText::AboutTitle), text);
}
