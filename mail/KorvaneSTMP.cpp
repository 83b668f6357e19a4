#include "KorvaneSTMP.h"

#include "SendJob.h"

#include <QTimer>

#include <thread>

struct KorvaneSTMP::Private
{
    MailRequest properties;
    std::shared_ptr<SendJob> job;
    std::thread worker;
    AboutPresenter presentAbout;
    bool ready = true;
};

KorvaneSTMP::KorvaneSTMP(AboutPresenter presentAbout, QObject *parent)
    : MailComponent(parent), d(std::make_unique<Private>())
{
    d->presentAbout = std::move(presentAbout);
}

KorvaneSTMP::~KorvaneSTMP()
{
    if (d->job)
        d->job->abort();
    if (d->worker.joinable())
        d->worker.join();
}

void KorvaneSTMP::setBcc(const QString &value) { d->properties.bcc = value; }
void KorvaneSTMP::setCc(const QString &value) { d->properties.cc = value; }
void KorvaneSTMP::setRecipient(const QString &value) { d->properties.recipient = value; }
void KorvaneSTMP::setSender(const QString &value) { d->properties.sender = value; }
void KorvaneSTMP::setBody(const QString &value) { d->properties.body = value; }
void KorvaneSTMP::setSubject(const QString &value) { d->properties.subject = value; }
void KorvaneSTMP::setAttachments(const QString &value) { d->properties.attachments = value; }
void KorvaneSTMP::setServer(const QString &value) { d->properties.server = value; }
void KorvaneSTMP::setPriority(qint32 value) { d->properties.priority = value; }
void KorvaneSTMP::setClientName(const QString &value) { d->properties.clientName = value; }
QString KorvaneSTMP::ClientName() const { return d->properties.clientName; }
void KorvaneSTMP::setPassword(const QString &value) { d->properties.password = value; }
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

void KorvaneSTMP::Send()
{
    const auto failLater = [this](SendError error, const QString &text) {
        QTimer::singleShot(0, this, [this, error, text] { Q_EMIT SendFailed(qint16(error), text); });
    };
    if (!d->ready) {
        failLater(SendError::AlreadySending, QStringLiteral("Un altro messaggio è ancora in invio."));
        return;
    }
    if (!SmtpSession::initialise()) {
        failLater(SendError::Internal, QStringLiteral("Impossibile inizializzare la libreria di rete."));
        return;
    }
    // The previous worker posted its outcome as its last act: it is gone or
    // about to be, so this does not wait.
    if (d->worker.joinable())
        d->worker.join();
    d->ready = false;
    auto job = std::make_shared<SendJob>(d->properties);
    d->job = job;
    d->worker = std::thread([this, job] {
        int lastShare = -1;
        const auto progress = [this, &lastShare](qint64 sent, qint64 total) {
            // Per mille steps: enough for a progress bar, few enough events.
            const int share = total > 0 ? int(sent * 1000 / total) : 1000;
            if (share == lastShare)
                return;
            lastShare = share;
            QMetaObject::invokeMethod(
                this, [this, sent, total] { Q_EMIT progressChanged(sent, total); }, Qt::QueuedConnection);
        };
        const SendOutcome outcome = job->run(progress);
        if (job->aborted())
            return;
        QMetaObject::invokeMethod(
            this, [this, outcome] { finish(outcome); }, Qt::QueuedConnection);
    });
}

void KorvaneSTMP::finish(const SendOutcome &outcome)
{
    // The worker is joined by the next Send() or the destructor: joining
    // here could keep the window waiting for a busy machine to schedule a
    // thread that has nothing left to do.
    d->job.reset();
    d->ready = true;
    if (outcome.ok())
        Q_EMIT SendCompleted();
    else
        Q_EMIT SendFailed(outcome.number, outcome.description);
}

void KorvaneSTMP::AboutBox()
{
    if (!d->presentAbout)
        return;
    const QString text = QStringLiteral("KorvaneSTMP %1\nComponente per l'invio di posta via SMTP.\n\n"
                                        "Client: %2\n%3\nQt %4")
                             .arg(QStringLiteral(KORVANE_VERSION), d->properties.clientName,
                                  SmtpSession::libraryVersion(), QString::fromLatin1(qVersion()));
    d->presentAbout(QStringLiteral("Informazioni su KorvaneSTMP"), text);
}
