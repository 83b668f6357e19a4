#pragma once

// Helpers shared by the mail component's test files.

#include "SmtpTestServer.h"
#include "mail/KorvaneSTMP.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

// Watches one component: its outcome signals, whether it called itself
// ready when each arrived, and the last progress it reported.
class SendWatch
{
public:
    explicit SendWatch(MailComponent *component)
        : failed(component, &MailComponent::SendFailed), completed(component, &MailComponent::SendCompleted)
    {
        const auto noteReady = [this, component] { readyAtSignal.append(component->IsReady()); };
        QObject::connect(component, &MailComponent::SendFailed, &m_context, noteReady);
        QObject::connect(component, &MailComponent::SendCompleted, &m_context, noteReady);
        QObject::connect(component, &MailComponent::progressChanged, &m_context,
                         [this](qint64 sent, qint64 total) {
                             lastSent = sent;
                             lastTotal = total;
                         });
    }

    int outcomes() const { return int(failed.count() + completed.count()); }
    qint16 number() const { return failed.isEmpty() ? qint16(0) : failed.first().at(0).value<qint16>(); }
    QString description() const { return failed.isEmpty() ? QString() : failed.first().at(1).toString(); }
    // For failure messages: what the component said.
    QByteArray outcome() const
    {
        if (!completed.isEmpty())
            return "SendCompleted";
        if (failed.isEmpty())
            return "no outcome";
        return QStringLiteral("SendFailed(%1, \"%2\")").arg(number()).arg(description()).toUtf8();
    }

    QSignalSpy failed;
    QSignalSpy completed;
    QList<bool> readyAtSignal;
    qint64 lastSent = -1;
    qint64 lastTotal = -1;

private:
    QObject m_context;
};

// Sends and waits for the outcome: exactly one signal, not ready in
// between, ready again when the signal comes. That no second signal comes
// has no event to wait for: a short grace period lets a late one show.
#define KORVANE_SEND(component, watch, timeoutMs)                                                            \
    do {                                                                                                     \
        (component).Send();                                                                                  \
        QVERIFY2(!(component).IsReady(), "IsReady() right after Send()");                                    \
        QTRY_VERIFY_WITH_TIMEOUT((watch).outcomes() >= 1, timeoutMs);                                        \
        QTest::qWait(100);                                                                                   \
        QVERIFY2((watch).outcomes() == 1, (watch).outcome().constData());                                    \
        QCOMPARE((watch).readyAtSignal, QList<bool>{true});                                                  \
        QVERIFY((component).IsReady());                                                                      \
    } while (false)

#define KORVANE_START(server) QVERIFY2((server).isRunning(), qPrintable((server).errorString()))

namespace MailTest {

inline const QString senderAddress = QStringLiteral("zoe@example.org");
inline const QString user = QStringLiteral("zoe");
inline const QString password = QStringLiteral("Pw-9fQ2xLr7Tz!");

// A component ready to send a small message through server.
inline void configure(KorvaneSTMP &component, const SmtpTestServer &server)
{
    component.setServer(server.hostAndPort());
    component.setSender(senderAddress);
    component.setRecipient(QStringLiteral("anna@example.org"));
    component.setSubject(QStringLiteral("Prova"));
    component.setBody(QStringLiteral("Ciao Anna.\nA presto.\n"));
    component.setClientName(QStringLiteral("Korvane Test"));
    component.setPriority(3);
    component.setCaFile(TestCertificates::instance().caFile());
    component.setConnectTimeoutMs(10000);
    component.setStallTimeoutMs(10000);
}

// Server options for STARTTLS, or TLS from the first byte, with the test
// certificate of that kind (see TestCertificates::pair()).
inline QStringList starttls(const QString &kind = QStringLiteral("server"))
{
    return QStringList{QStringLiteral("--starttls")} + TestCertificates::instance().pair(kind);
}

inline QStringList implicitTls(const QString &kind = QStringLiteral("server"))
{
    return QStringList{QStringLiteral("--implicit-tls")} + TestCertificates::instance().pair(kind);
}

// After a failed send the same component, pointed at a healthy server, sends
// at once, and nothing late arrives from the failed one.
inline void followingSendSucceeds(KorvaneSTMP &component, const SendWatch &failedWatch)
{
    SmtpTestServer healthy;
    KORVANE_START(healthy);
    component.setServer(healthy.hostAndPort());
    component.setRecipient(QStringLiteral("anna@example.org"));
    component.setAttachments(QString());
    component.setUsername(QString());
    component.setPassword(QString());
    SendWatch again(&component);
    KORVANE_SEND(component, again, 15000);
    QVERIFY2(!again.completed.isEmpty(), again.outcome().constData());
    QCOMPARE(failedWatch.failed.count(), 1);
    QVERIFY(healthy.waitForMessages(1));
}

inline QStringList strings(const QJsonValue &value)
{
    QStringList result;
    const QJsonArray items = value.toArray();
    for (const auto &item : items)
        result.append(item.toString());
    return result;
}

// The one value of a header the message must carry exactly once.
inline QString header(const QJsonObject &message, const QString &name)
{
    const QStringList values = strings(message.value(QStringLiteral("headers")).toObject().value(name));
    return values.size() == 1 ? values.first() : QStringLiteral("<%1 values>").arg(values.size());
}

// "Display <addr>" pairs of an address header, as Python parsed them.
inline QStringList addresses(const QJsonObject &message, const QString &header)
{
    QStringList result;
    const QJsonArray list = message.value(QStringLiteral("addresses")).toObject().value(header).toArray();
    for (const auto &item : list) {
        const QJsonObject address = item.toObject();
        result.append(address.value(QStringLiteral("display_name")).toString() + QStringLiteral(" <")
                      + address.value(QStringLiteral("addr_spec")).toString() + QLatin1Char('>'));
    }
    return result;
}

inline QByteArray sha256Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace MailTest
