#include "KorvaneSTMP.h"

#include <QTimer>

// Placeholder until the SMTP session lands: every send fails at once.
struct KorvaneSTMP::Private
{
    QString clientName;
};

KorvaneSTMP::KorvaneSTMP(QObject *parent) : MailComponent(parent), d(std::make_unique<Private>()) {}
KorvaneSTMP::~KorvaneSTMP() = default;

void KorvaneSTMP::setBcc(const QString &) {}
void KorvaneSTMP::setCc(const QString &) {}
void KorvaneSTMP::setRecipient(const QString &) {}
void KorvaneSTMP::setSender(const QString &) {}
void KorvaneSTMP::setBody(const QString &) {}
void KorvaneSTMP::setSubject(const QString &) {}
void KorvaneSTMP::setAttachments(const QString &) {}
void KorvaneSTMP::setServer(const QString &) {}
void KorvaneSTMP::setPriority(qint32) {}
void KorvaneSTMP::setClientName(const QString &value) { d->clientName = value; }
QString KorvaneSTMP::ClientName() const { return d->clientName; }
void KorvaneSTMP::setPassword(const QString &) {}
void KorvaneSTMP::setUsername(const QString &) {}
void KorvaneSTMP::Send()
{
    QTimer::singleShot(0, this, [this] { Q_EMIT SendFailed(1000, QStringLiteral("Non implementato.")); });
}
bool KorvaneSTMP::IsReady() const { return true; }
void KorvaneSTMP::AboutBox() {}
void KorvaneSTMP::setCaFile(const QString &) {}
void KorvaneSTMP::setConnectTimeoutMs(int) {}
void KorvaneSTMP::setStallTimeoutMs(int) {}
