// TLS and credentials: what goes out encrypted, what never goes out at all.

#include "tests/support/SmtpTestCase.h"

#include <memory>

#include <sys/prctl.h>

using namespace MailTest;

class TestKorvaneSmtpSecurity : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void authenticated_data();
    void authenticated();
    void refused_data();
    void refused();
    void quitAfterRefusal_data();
    void quitAfterRefusal();
    void notDumpableWhilePasswordHeld_data();
    void notDumpableWhilePasswordHeld();
};

namespace {

QStringList authOptions(const QString &mechanisms)
{
    return {QStringLiteral("--auth"), user + QLatin1Char(':') + password, QStringLiteral("--auth-mechs"),
            mechanisms};
}

int dumpable() { return prctl(PR_GET_DUMPABLE, 0, 0, 0, 0); }

enum class Ending { Completed, ComponentDestroyed, RefusedAtOnce, PasswordTakenBack };

} // namespace

void TestKorvaneSmtpSecurity::authenticated_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("authCommand");

    QTest::newRow("STARTTLS, AUTH PLAIN") << starttls() + authOptions("PLAIN") << ""
                                          << "AUTH PLAIN";
    QTest::newRow("STARTTLS, only LOGIN offered") << starttls() + authOptions("LOGIN") << ""
                                                  << "AUTH LOGIN";
    QTest::newRow("STARTTLS, AUTH offered in clear too")
        << starttls() + authOptions("PLAIN LOGIN") + QStringList{"--auth-before-tls"} << "smtp://"
        << "AUTH ";
    QTest::newRow("STARTTLS required by the server")
        << starttls() + authOptions("PLAIN") + QStringList{"--require-starttls"} << ""
        << "AUTH PLAIN";
    QTest::newRow("smtps, TLS from the first byte")
        << implicitTls() + authOptions("PLAIN LOGIN") << "smtps://"
        << "AUTH ";
}

void TestKorvaneSmtpSecurity::authenticated()
{
    QFETCH(QStringList, options);
    QFETCH(QString, scheme);
    QFETCH(QString, authCommand);
    SendFixture f(options);
    KORVANE_START(f.server);
    f.component.setServer(scheme + f.server.hostAndPort());
    f.component.setUsername(user);
    f.component.setPassword(password);
    KORVANE_DELIVER(f, 15000);

    const QJsonObject message = f.message();
    QVERIFY(message.value(QStringLiteral("tls")).toBool());
    QCOMPARE(message.value(QStringLiteral("auth_login")).toString(), user);
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());

    const QStringList commands = f.server.commands();
    const auto authAt = std::find_if(commands.cbegin(), commands.cend(), [&](const QString &c) {
        return c.startsWith(authCommand, Qt::CaseInsensitive);
    });
    QVERIFY2(authAt != commands.cend(), qPrintable(commands.join(QLatin1Char('\n'))));
    if (!scheme.startsWith(QLatin1String("smtps"))) {
        const auto tlsAt = std::find_if(commands.cbegin(), commands.cend(), [](const QString &c) {
            return c.compare(QLatin1String("STARTTLS"), Qt::CaseInsensitive) == 0;
        });
        QVERIFY2(tlsAt != commands.cend() && tlsAt < authAt, qPrintable(commands.join(QLatin1Char('\n'))));
    }
}

void TestKorvaneSmtpSecurity::refused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("says");

    const QList<int> tls{35, 60};
    QTest::newRow("no STARTTLS, AUTH offered in clear")
        << authOptions("PLAIN LOGIN") << "" << password << true << QList<int>{64} << "STARTTLS";
    QTest::newRow("no STARTTLS, no AUTH")
        << QStringList() << "" << password << true << QList<int>{64} << "STARTTLS";
    QTest::newRow("STARTTLS but no AUTH")
        << starttls() << "" << password << true << QList<int>{1007} << "autenticazione";
    QTest::newRow("only mechanisms libcurl cannot use")
        << starttls() + authOptions("FOO-BAR X-UNKNOWN") << "" << password << true << QList<int>{1007}
        << "metodo di accesso utilizzabile (offre: FOO-BAR, X-UNKNOWN)";
    QTest::newRow("wrong password") << starttls() + authOptions("PLAIN LOGIN") << ""
                                    << "not-the-password" << true << QList<int>{535} << "credentials invalid";
    QTest::newRow("self-signed, STARTTLS") << starttls("selfsigned") << ""
                                           << "" << true << tls << "self-signed";
    QTest::newRow("self-signed, smtps")
        << implicitTls("selfsigned") << "smtps://" << password << true << tls << "self-signed";
    QTest::newRow("expired") << starttls("expired") << ""
                             << "" << true << tls << "expired";
    QTest::newRow("wrong host") << starttls("wronghost") << ""
                                << "" << true << tls << "host name";
    QTest::newRow("test CA not given") << starttls() << ""
                                       << "" << false << tls << "certificat";
}

void TestKorvaneSmtpSecurity::refused()
{
    QFETCH(QStringList, options);
    QFETCH(QString, scheme);
    QFETCH(QString, secret);
    QFETCH(bool, trustTestCa);
    QFETCH(QList<int>, numbers);
    QFETCH(QString, says);
    SendFixture f(options);
    KORVANE_START(f.server);
    f.component.setServer(scheme + f.server.hostAndPort());
    if (!trustTestCa)
        f.component.setCaFile(QString());
    if (!secret.isEmpty()) {
        f.component.setUsername(user);
        f.component.setPassword(secret);
    }
    KORVANE_SEND(f.component, f.watch, 15000);
    QVERIFY2(!f.watch.failed.isEmpty(), f.watch.outcome().constData());
    QVERIFY2(numbers.contains(f.watch.number()), f.watch.outcome().constData());
    QVERIFY2(f.watch.description().contains(says, Qt::CaseInsensitive), f.watch.outcome().constData());

    QCOMPARE(f.server.state().value(QStringLiteral("data_started")).toInt(), 0);
    QCOMPARE(f.server.messages().size(), 0);
    if (numbers != QList<int>{535}) {
        const QJsonObject state = f.server.state();
        QVERIFY2(!state.value(QStringLiteral("auth_seen")).toBool(),
                 qPrintable(f.server.commands().join(QLatin1Char('\n'))));
        QVERIFY(!state.value(QStringLiteral("password_seen")).toBool());
    }
    followingSendSucceeds(f.component, f.watch);
}

void TestKorvaneSmtpSecurity::quitAfterRefusal_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<int>("number");

    QTest::newRow("password refused over STARTTLS") << starttls() + authOptions("PLAIN LOGIN") << ""
                                                    << "not-the-password" << 535;
    QTest::newRow("password refused over smtps") << implicitTls() + authOptions("PLAIN LOGIN") << "smtps://"
                                                 << "not-the-password" << 535;
    QTest::newRow("STARTTLS but no AUTH") << starttls() << "" << password << 1007;
    QTest::newRow("no STARTTLS, in clear") << authOptions("PLAIN LOGIN") << "" << password << 64;
}

// libcurl 7.88 hangs up without QUIT when it gives a conversation up before
// MAIL FROM; the session writes QUIT itself, behind libcurl's back, through
// libcurl's TLS session or on its socket. Another libcurl or TLS library
// may keep it from the server: this is where that shows.
void TestKorvaneSmtpSecurity::quitAfterRefusal()
{
    QFETCH(QStringList, options);
    QFETCH(QString, scheme);
    QFETCH(QString, secret);
    QFETCH(int, number);
    SmtpTestServer server(options);
    KORVANE_START(server);
    KorvaneSTMP component;
    configure(component, server);
    component.setServer(scheme + server.hostAndPort());
    component.setUsername(user);
    component.setPassword(secret);
    SendWatch watch(&component);
    KORVANE_SEND(component, watch, 15000);
    QVERIFY2(watch.number() == number, watch.outcome().constData());
    QVERIFY2(
        server.waitForLogLine(QStringLiteral(" C QUIT")),
        "QUIT written behind libcurl's back after it gave the connection up no longer reaches the "
        "server: libcurl or its TLS library has changed (writeQuitBehindLibcurl, QuitBehindLibcurl.cpp)");
}

void TestKorvaneSmtpSecurity::notDumpableWhilePasswordHeld_data()
{
    QTest::addColumn<Ending>("ending");
    QTest::newRow("send completed") << Ending::Completed;
    QTest::newRow("component destroyed in mid-send") << Ending::ComponentDestroyed;
    QTest::newRow("send refused before connecting") << Ending::RefusedAtOnce;
    QTest::newRow("password set empty before sending") << Ending::PasswordTakenBack;
}

// A core file or a debugger of the same user would read the password: the
// process is not dumpable from the moment the component has one until the
// send has wiped it, then as dumpable as before.
void TestKorvaneSmtpSecurity::notDumpableWhilePasswordHeld()
{
    QFETCH(Ending, ending);
    QCOMPARE(dumpable(), 1);
    SmtpTestServer server(starttls() + authOptions("PLAIN") + QStringList{"--pause-in-data"});
    KORVANE_START(server);
    auto component = std::make_unique<KorvaneSTMP>();
    configure(*component, server);
    component->setUsername(user);
    component->setPassword(password);
    QCOMPARE(dumpable(), 0);
    if (ending == Ending::PasswordTakenBack) {
        component->setPassword(QString());
        QCOMPARE(dumpable(), 1);
        return;
    }
    if (ending == Ending::RefusedAtOnce)
        component->setServer(QString());
    SendWatch watch(component.get());
    component->Send();
    if (ending == Ending::RefusedAtOnce) {
        QTRY_COMPARE_WITH_TIMEOUT(watch.outcomes(), 1, 15000);
        QTRY_COMPARE(dumpable(), 1);
        return;
    }
    QVERIFY2(server.waitForLogLine(QStringLiteral("pausing in DATA"), 15000),
             qPrintable(server.sessionLog().join('\n')));
    QCOMPARE(dumpable(), 0);
    if (ending == Ending::ComponentDestroyed) {
        component.reset();
    } else {
        server.resumeData();
        QTRY_VERIFY_WITH_TIMEOUT(!watch.completed.isEmpty(), 15000);
    }
    // The worker lets go once the session, libcurl's copy included, is over.
    QTRY_COMPARE_WITH_TIMEOUT(dumpable(), 1, 15000);
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpSecurity)
#include "tst_korvanestmp_security.moc"
