// The port, when the server field names none: the usual ones are tried in
// the order that fits the credentials, a port counts only if it can carry
// them, the choice is kept for the run, and every connection that was
// greeted ends with QUIT. Test servers on loopback ports stand in for 25,
// 587 and 465.

#include "tests/support/SmtpTestCase.h"

#include <QRegularExpression>
#include <QSet>

using namespace MailTest;

class TestKorvaneSmtpPorts : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void chosen_data();
    void chosen();
    void typedPort_data();
    void typedPort();
    void destroyedWhileChoosing();
    void kept_data();
    void kept();
    void keptPortGone();
    void keptPortTurns_data();
    void keptPortTurns();
    void keptApart();
    void politeAfterRefusal_data();
    void politeAfterRefusal();
};

namespace {

using Running = QMap<QString, QString>; // stand-in port -> kind of server there

QStringList options(const QString &role)
{
    // "kind>silent", "kind>filtered": that kind of server, turning silent or
    // filtered once its first message is in.
    if (const qsizetype turn = role.indexOf(u'>'); turn >= 0)
        return options(role.left(turn))
            + QStringList{QStringLiteral("--turn-after-message"), role.mid(turn + 1)};
    QStringList result{QStringLiteral("--auth"), user + QLatin1Char(':') + password};
    if (role == u"submission")
        result += starttls();
    else if (role == u"tls")
        result += implicitTls();
    else if (role == u"late")
        result += starttls() + QStringList{QStringLiteral("--greeting-delay"), QStringLiteral("1000")};
    else if (role == u"noauth")
        result = starttls();
    else if (role == u"badstarttls")
        result += starttls(QStringLiteral("selfsigned"));
    else if (role == u"selfsigned")
        result += implicitTls(QStringLiteral("selfsigned"));
    else if (role == u"silent")
        result = QStringList{QStringLiteral("--no-greeting")};
    else if (role == u"busy")
        result = QStringList{QStringLiteral("--greeting-421")};
    return result;
}

// Connections the server greeted that did not end with the client's QUIT,
// once every connection it saw is closed.
QStringList impolite(const SmtpTestServer &server)
{
    if (!SmtpTestServer::waitFor(
            [&] {
                const QJsonObject state = server.state();
                return state.value(QStringLiteral("closed")).toInt()
                    >= state.value(QStringLiteral("connections")).toInt();
            },
            10000))
        return {QStringLiteral("connections still open")};
    QMap<QString, QString> lastCommand;
    QSet<QString> greeted;
    QSet<QString> tlsUp;
    for (const QString &line : server.sessionLog()) {
        const QStringList f = line.split(u' ');
        if (f.size() >= 3 && f[1] == u"S" && f[2] == u"220")
            greeted.insert(f[0]);
        else if (f.size() >= 3 && f[1] == u"C")
            lastCommand[f[0]] = f.mid(2).join(u' ');
        else if (line.endsWith(u"* starttls done"))
            tlsUp.insert(f[0]);
    }
    QStringList result;
    for (const QString &conn : greeted) {
        const QString last = lastCommand.value(conn).toUpper();
        // After a handshake that failed nothing more can be said, in clear or not.
        if (last != u"QUIT" && !(last == u"STARTTLS" && !tlsUp.contains(conn)))
            result << conn + QStringLiteral(" ended after ") + lastCommand.value(conn);
    }
    return result;
}

int connections(const SmtpTestServer &server)
{
    return server.state().value(QStringLiteral("connections")).toInt();
}

// Stand-ins for the usual ports: a server of its kind where one is named,
// otherwise a closed port.
struct StandIns
{
    explicit StandIns(const Running &running)
    {
        for (const QString &port :
             {QStringLiteral("plain"), QStringLiteral("submission"), QStringLiteral("tls")}) {
            if (running.contains(port)) {
                servers[port] = std::make_shared<SmtpTestServer>(options(running[port]));
                ports[port] = servers[port]->port();
            } else {
                ports[port] = SmtpTestServer::closedPort();
            }
        }
    }
    bool ok() const
    {
        return std::all_of(ports.cbegin(), ports.cend(), [](quint16 p) { return p != 0; })
            && std::all_of(servers.cbegin(), servers.cend(), [](const auto &s) { return s->isRunning(); });
    }
    // A component ready to send to 127.0.0.1 with no port typed.
    void apply(KorvaneSTMP &component) const
    {
        component.setServer(QStringLiteral("127.0.0.1"));
        component.setSender(senderAddress);
        component.setRecipient(QStringLiteral("anna@example.org"));
        component.setSubject(QStringLiteral("Prova"));
        component.setBody(QStringLiteral("Ciao Anna.\n"));
        component.setCaFile(TestCertificates::instance().caFile());
        component.setConnectTimeoutMs(3000);
        component.setStallTimeoutMs(10000);
        component.setUsualPorts(ports[QStringLiteral("plain")], ports[QStringLiteral("submission")],
                                ports[QStringLiteral("tls")]);
    }
    // As above, with the row's connect time-out and credentials where it asks.
    void apply(KorvaneSTMP &component, bool credentials, int connectTimeoutMs = 3000) const
    {
        apply(component);
        component.setConnectTimeoutMs(connectTimeoutMs);
        if (credentials) {
            component.setUsername(user);
            component.setPassword(password);
        }
    }

    QMap<QString, std::shared_ptr<SmtpTestServer>> servers;
    QMap<QString, quint16> ports;
};

// One send that goes through, its message the server's count-th.
void sendThrough(KorvaneSTMP &component, const SmtpTestServer &server, int count, int timeoutMs = 12000)
{
    SendWatch watch(&component);
    KORVANE_SEND(component, watch, timeoutMs);
    QVERIFY2(!watch.completed.isEmpty(), watch.outcome().constData());
    QVERIFY(server.waitForMessages(count));
}

} // namespace

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestKorvaneSmtpPorts::chosen_data()
{
    QTest::addColumn<Running>("running");
    QTest::addColumn<QString>("field"); // what the user typed as server
    QTest::addColumn<bool>("credentials");
    QTest::addColumn<QString>("chosen"); // the stand-in the send talks to; empty: none
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("says");

    const Running all{{"plain", "plain"}, {"submission", "submission"}, {"tls", "tls"}};
    QTest::newRow("only 587, STARTTLS")
        << Running{{"submission", "submission"}} << "127.0.0.1" << true << "submission" << 0 << "";
    QTest::newRow("only 465, TLS") << Running{{"tls", "tls"}} << "127.0.0.1" << true << "tls" << 0 << "";
    QTest::newRow("only 25, no credentials")
        << Running{{"plain", "plain"}} << "127.0.0.1" << false << "plain" << 0 << "";
    QTest::newRow("only 25, credentials stay home") << Running{{"plain", "plain"}} << "127.0.0.1" << true
                                                    << "plain" << 64 << "{25}: nessuna connessione protetta";
    QTest::newRow("all three, credentials: 587") << all << "127.0.0.1" << true << "submission" << 0 << "";
    QTest::newRow("587 without STARTTLS, 465 works, credentials: 465")
        << Running{{"submission", "plain"}, {"tls", "tls"}} << "127.0.0.1" << true << "tls" << 0 << "";
    QTest::newRow("25 greets, 587 without STARTTLS, credentials: none")
        << Running{{"submission", "plain"}, {"plain", "plain"}} << "smtp://127.0.0.1" << true << "" << 64
        << "{587}: nessuna connessione protetta (STARTTLS) offerta; {25}: nessuna";
    QTest::newRow("587 certificate refused, 465 works, credentials: 465")
        << Running{{"submission", "badstarttls"}, {"tls", "tls"}} << "127.0.0.1" << true << "tls" << 0 << "";
    QTest::newRow("587 offers no AUTH, 465 works, credentials: 465")
        << Running{{"submission", "noauth"}, {"tls", "tls"}} << "127.0.0.1" << true << "tls" << 0 << "";
    QTest::newRow("only 587, certificate refused")
        << Running{{"submission", "badstarttls"}} << "127.0.0.1" << true << "submission" << 60
        << "{587}: certificato non valido o non attendibile";
    QTest::newRow("465 and 25, credentials: 465")
        << Running{{"plain", "plain"}, {"tls", "tls"}} << "127.0.0.1" << true << "tls" << 0 << "";
    QTest::newRow("all three, no credentials: 25") << all << "127.0.0.1" << false << "plain" << 0 << "";
    // Connected and greeting well after 465 did: still the one preferred.
    QTest::newRow("587 greets late, 465 at once: 587")
        << Running{{"submission", "late"}, {"tls", "tls"}} << "127.0.0.1" << true << "submission" << 0 << "";
    QTest::newRow("587 connected but silent: 465")
        << Running{{"submission", "silent"}, {"tls", "tls"}} << "127.0.0.1" << true << "tls" << 0 << "";
    // A server that is there but will not do is reported in its own words.
    QTest::newRow("465 with a self-signed certificate")
        << Running{{"tls", "selfsigned"}} << "127.0.0.1" << true << "tls" << 60
        << "{587}: connessione rifiutata; {465}: certificato non valido o non attendibile (SSL certificate "
           "problem: self-signed certificate); {25}: connessione rifiutata";
    QTest::newRow("587 busy, 25 greets: 25") << Running{{"submission", "busy"}, {"plain", "submission"}}
                                             << "127.0.0.1" << true << "plain" << 0 << "";
    QTest::newRow("only 587, busy") << Running{{"submission", "busy"}} << "127.0.0.1" << true << "submission"
                                    << 421 << "service not available";
    QTest::newRow("none, credentials")
        << Running{} << "127.0.0.1" << true << "" << 7 << "alle porte {587}, {465} e {25}";
    QTest::newRow("none, no credentials")
        << Running{{"tls", "tls"}} << "127.0.0.1" << false << "" << 7 << "alle porte {25} e {587}";
    // No network here: a name under .invalid is answered at once by the resolver.
    QTest::newRow("unknown host") << Running{} << "nessuno.invalid" << true << "" << 6
                                  << "Server sconosciuto: nessuno.invalid.";
    // smtp:// names a connection that starts in clear: 465 is not tried.
    QTest::newRow("smtp://, credentials, only 465")
        << Running{{"tls", "tls"}} << "smtp://127.0.0.1" << true << "" << 7 << "alle porte {587} e {25}";
}

namespace {

// Trying a port says EHLO, STARTTLS where credentials need it, and
// QUIT: no credentials and no envelope reach a server not chosen.
void checkNothingElsewhere(const StandIns &standIns, const QString &delivered)
{
    for (const auto &[port, server] : standIns.servers.asKeyValueRange()) {
        const QStringList said = server->commands();
        if (port != delivered)
            for (const QString &command : said)
                QVERIFY2(!QRegularExpression(QStringLiteral("^(AUTH|MAIL|RCPT|DATA)"),
                                             QRegularExpression::CaseInsensitiveOption)
                              .match(command)
                              .hasMatch(),
                         qPrintable(port + QStringLiteral(": ") + said.join(QStringLiteral(" | "))));
        QVERIFY2(impolite(*server).isEmpty(),
                 qPrintable(port + QStringLiteral(": ") + impolite(*server).join(QStringLiteral("; "))));
    }
}

} // namespace

void TestKorvaneSmtpPorts::chosen()
{
    QFETCH(Running, running);
    QFETCH(QString, field);
    QFETCH(bool, credentials);
    QFETCH(QString, chosen);
    QFETCH(int, number);
    QFETCH(QString, says);
    const StandIns standIns(running);
    QVERIFY(standIns.ok());
    KorvaneSTMP component;
    standIns.apply(component);
    component.setServer(field);
    if (credentials) {
        component.setUsername(user);
        component.setPassword(password);
    }
    SendWatch watch(&component);
    KORVANE_SEND(component, watch, 20000);

    if (number == 0) {
        QVERIFY2(!watch.completed.isEmpty(), watch.outcome().constData());
        QVERIFY(standIns.servers[chosen]->waitForMessages(1));
        const QJsonObject message = standIns.servers[chosen]->messages().constFirst();
        QCOMPARE(message.value(QStringLiteral("tls")).toBool(), running.value(chosen) != u"plain");
        QCOMPARE(message.value(QStringLiteral("auth_login")).toString(), credentials ? user : QString());
    } else {
        QCOMPARE(watch.number(), number);
        QString text = says;
        text.replace(QStringLiteral("{587}"), QString::number(standIns.ports["submission"]))
            .replace(QStringLiteral("{465}"), QString::number(standIns.ports["tls"]))
            .replace(QStringLiteral("{25}"), QString::number(standIns.ports["plain"]));
        QVERIFY2(watch.description().contains(text), watch.outcome().constData());
        if (!chosen.isEmpty()) {
            const QJsonObject state = standIns.servers[chosen]->state();
            QCOMPARE(state.value(QStringLiteral("messages")).toInt(), 0);
            QVERIFY(!state.value(QStringLiteral("auth_seen")).toBool());
            QVERIFY(!state.value(QStringLiteral("password_seen")).toBool());
        }
    }
    checkNothingElsewhere(standIns, number == 0 ? chosen : QString());
}

void TestKorvaneSmtpPorts::typedPort_data()
{
    QTest::addColumn<QString>("server"); // %1: a closed loopback port
    QTest::addColumn<QString>("says");
    QTest::newRow("host:port") << "127.0.0.1:%1"
                               << "127.0.0.1:%1";
    QTest::newRow("smtp://host:port") << "smtp://127.0.0.1:%1"
                                      << "127.0.0.1:%1";
    QTest::newRow("[IPv6]:port") << "[::1]:%1"
                                 << ":%1";
    // Nothing listens on 465 here: smtps:// without a port means 465 alone.
    QTest::newRow("smtps:// alone") << "smtps://127.0.0.1"
                                    << "127.0.0.1:465";
}

void TestKorvaneSmtpPorts::typedPort()
{
    QFETCH(QString, server);
    QFETCH(QString, says);
    const StandIns standIns({{"plain", "plain"}, {"submission", "submission"}, {"tls", "tls"}});
    QVERIFY(standIns.ok());
    const quint16 typed = SmtpTestServer::closedPort();
    QVERIFY(typed != 0);
    KorvaneSTMP component;
    standIns.apply(component);
    component.setServer(server.contains(u"%1") ? server.arg(typed) : server);
    component.setUsername(user);
    component.setPassword(password);
    SendWatch watch(&component);
    KORVANE_SEND(component, watch, 20000);
    QCOMPARE(watch.number(), 7);
    QVERIFY2(watch.description().contains(says.contains(u"%1") ? says.arg(typed) : says),
             watch.outcome().constData());
    for (const auto &s : standIns.servers)
        QCOMPARE(s->state().value(QStringLiteral("connections")).toInt(), 0);
}

void TestKorvaneSmtpPorts::destroyedWhileChoosing()
{
    // 587 takes the connection and never greets: the choice waits for it.
    const StandIns standIns({{"submission", "silent"}});
    QVERIFY(standIns.ok());
    auto component = std::make_unique<KorvaneSTMP>();
    standIns.apply(*component);
    // Far beyond the test's own time limit: only the abort can end the wait.
    component->setConnectTimeoutMs(3600 * 1000);
    component->setUsername(user);
    component->setPassword(password);
    SendWatch watch(component.get());
    component->Send();
    const SmtpTestServer &silent = *standIns.servers["submission"];
    QVERIFY2(silent.waitForLogLine(QStringLiteral("* connect")), qPrintable(silent.sessionLog().join('\n')));
    component.reset();
    QVERIFY2(silent.waitForLogLine(QStringLiteral("* closed")), qPrintable(silent.sessionLog().join('\n')));
    QCOMPARE(watch.outcomes(), 0);
}

void TestKorvaneSmtpPorts::kept_data()
{
    QTest::addColumn<Running>("running");
    QTest::addColumn<bool>("credentials");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("connectTimeoutMs");

    const Running all{{"plain", "plain"}, {"submission", "submission"}, {"tls", "tls"}};
    QTest::newRow("all three, no credentials: 25") << all << false << "plain" << 3000;
    QTest::newRow("all three, credentials: 587") << all << true << "submission" << 3000;
    // 25 takes the connection and never greets; its connect time-out is far
    // off, so only the grace after 587 greeted ends the wait.
    QTest::newRow("25 silent, 587 greets: 587")
        << Running{{"plain", "silent"}, {"submission", "submission"}} << false << "submission" << 60000;
}

void TestKorvaneSmtpPorts::kept()
{
    QFETCH(Running, running);
    QFETCH(bool, credentials);
    QFETCH(QString, chosen);
    QFETCH(int, connectTimeoutMs);
    const StandIns standIns(running);
    QVERIFY(standIns.ok());
    KorvaneSTMP component;
    standIns.apply(component, credentials, connectTimeoutMs);
    sendThrough(component, *standIns.servers[chosen], 1);
    if (QTest::currentTestFailed())
        return;
    for (const auto &server : standIns.servers)
        QVERIFY2(impolite(*server).isEmpty(), qPrintable(impolite(*server).join(QStringLiteral("; "))));

    QMap<QString, int> before;
    for (const auto &[port, server] : standIns.servers.asKeyValueRange())
        before[port] = connections(*server);
    if (credentials)
        component.setPassword(password);
    sendThrough(component, *standIns.servers[chosen], 2);
    if (QTest::currentTestFailed())
        return;
    // Straight to the port kept: one connection, no probe.
    for (const auto &[port, server] : standIns.servers.asKeyValueRange())
        QCOMPARE(connections(*server) - before[port], port == chosen ? 1 : 0);
    // It had to greet within what the choice gives a silent port, not the
    // whole connect time-out.
    const QString bound = QStringLiteral("* attesa del saluto sulla porta ricordata: al massimo %1 s")
                              .arg(qMin(connectTimeoutMs, 10000) / 1000);
    QVERIFY2(component.lastTranscript().split(u'\n').contains(bound), qPrintable(component.lastTranscript()));
}

void TestKorvaneSmtpPorts::keptPortGone()
{
    // 587 was chosen and kept, then goes away: the same send chooses again.
    StandIns standIns({{"plain", "plain"}, {"submission", "submission"}, {"tls", "tls"}});
    QVERIFY(standIns.ok());
    KorvaneSTMP component;
    standIns.apply(component, true);
    sendThrough(component, *standIns.servers["submission"], 1);
    if (QTest::currentTestFailed())
        return;
    standIns.servers["submission"]->stop();

    component.setPassword(password);
    sendThrough(component, *standIns.servers["tls"], 1);
}

void TestKorvaneSmtpPorts::keptPortTurns_data()
{
    QTest::addColumn<Running>("running");
    QTest::addColumn<bool>("credentials");
    QTest::addColumn<QString>("kept");   // chosen by the first send
    QTest::addColumn<QString>("chosen"); // by the second, once kept is dropped
    QTest::addColumn<int>("connectTimeoutMs");

    QTest::newRow("25 turns silent, no credentials: 587")
        << Running{{"plain", "plain>silent"}, {"submission", "submission"}} << false << "plain"
        << "submission" << 3000;
    QTest::newRow("587 turns silent, credentials: 465")
        << Running{{"submission", "submission>silent"}, {"tls", "tls"}} << true << "submission"
        << "tls" << 3000;
    QTest::newRow("587 turns filtered, credentials: 465")
        << Running{{"submission", "submission>filtered"}, {"tls", "tls"}} << true << "submission"
        << "tls" << 3000;
    // The connect time-out far off: only the 10 s of grace end the wait,
    // and the connection given up must not hold the send any longer.
    QTest::newRow("587 turns silent, the grace ends the wait: 465")
        << Running{{"submission", "submission>silent"}, {"tls", "tls"}} << true << "submission"
        << "tls" << 60000;
}

void TestKorvaneSmtpPorts::keptPortTurns()
{
    // The port kept from the first send then takes connections without a
    // greeting, or drops them: the second send gives it what the choice
    // gives a silent port (the 10 s of grace, or the connect time-out when
    // shorter), forgets it and goes through on the port chosen again.
    QFETCH(Running, running);
    QFETCH(bool, credentials);
    QFETCH(QString, kept);
    QFETCH(QString, chosen);
    QFETCH(int, connectTimeoutMs);
    const StandIns standIns(running);
    QVERIFY(standIns.ok());
    KorvaneSTMP component;
    standIns.apply(component, credentials, connectTimeoutMs);
    sendThrough(component, *standIns.servers[kept], 1);
    if (QTest::currentTestFailed())
        return;

    if (credentials)
        component.setPassword(password);
    // Far below the connect time-out of the last row and the stall time-out.
    sendThrough(component, *standIns.servers[chosen], 1, 40000);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(standIns.servers[kept]->state().value(QStringLiteral("messages")).toInt(), 1);

    // Lines that start so, in this order. Where the bound and libcurl's
    // connect time-out are the same 3 s, whichever ends the wait, the port
    // is dropped for its silence.
    const QString keptPort = QString::number(standIns.ports[kept]);
    const int bound = qMin(connectTimeoutMs, 10000) / 1000;
    const QStringList expected{
        QStringLiteral("* porta ricordata da un invio precedente: ") + keptPort,
        QStringLiteral("* attesa del saluto sulla porta ricordata: al massimo %1 s").arg(bound),
        QStringLiteral("* porta %1 dimenticata, si sceglie di nuovo: Il server 127.0.0.1:%1 non ha %2")
            .arg(keptPort, connectTimeoutMs > 10000 ? QStringLiteral("salutato entro 10 s") : QString()),
        QStringLiteral("* porta scelta: %1").arg(standIns.ports[chosen]),
    };
    const QStringList transcript = component.lastTranscript().split(u'\n');
    qsizetype next = 0;
    for (const QString &start : expected) {
        const auto found = std::find_if(transcript.cbegin() + next, transcript.cend(),
                                        [&start](const QString &line) { return line.startsWith(start); });
        QVERIFY2(
            found != transcript.cend(),
            qPrintable(start + QStringLiteral("\n  missing or out of order in:\n") + transcript.join(u'\n')));
        next = found - transcript.cbegin() + 1;
    }
}

void TestKorvaneSmtpPorts::keptApart()
{
    // The port kept for sends with credentials (587) says nothing about
    // sends without them: those choose for themselves (25).
    StandIns standIns({{"plain", "plain"}, {"submission", "submission"}, {"tls", "tls"}});
    QVERIFY(standIns.ok());
    KorvaneSTMP component;
    standIns.apply(component, true);
    sendThrough(component, *standIns.servers["submission"], 1);
    if (QTest::currentTestFailed())
        return;

    component.setUsername(QString());
    sendThrough(component, *standIns.servers["plain"], 1);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(
        standIns.servers["plain"]->messages().constFirst().value(QStringLiteral("auth_login")).toString(),
        QString());
}

void TestKorvaneSmtpPorts::politeAfterRefusal_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("password"); // empty: no credentials
    QTest::addColumn<int>("number");

    const QStringList auth{QStringLiteral("--auth"), user + QLatin1Char(':') + password};
    QTest::newRow("refused password") << starttls() + auth << "sbagliata" << 535;
    QTest::newRow("no AUTH offered") << starttls() << password << 1007;
    QTest::newRow("no STARTTLS, credentials") << auth << password << 64;
    QTest::newRow("refused sender") << QStringList{"--refuse-sender", senderAddress} << "" << 553;
    QTest::newRow("refused recipient") << QStringList{"--refuse-rcpt", "anna@example.org"} << "" << 550;
    QTest::newRow("refused message") << QStringList{"--data-reply", "554"} << "" << 554;
}

void TestKorvaneSmtpPorts::politeAfterRefusal()
{
    QFETCH(QStringList, options);
    QFETCH(QString, password);
    QFETCH(int, number);
    SendFixture f(options);
    KORVANE_START(f.server);
    if (!password.isEmpty()) {
        f.component.setUsername(user);
        f.component.setPassword(password);
    }
    KORVANE_SEND(f.component, f.watch, 15000);
    QCOMPARE(f.watch.number(), number);
    QVERIFY2(impolite(f.server).isEmpty(), qPrintable(impolite(f.server).join(QStringLiteral("; "))));
    QVERIFY2(f.server.waitForLogLine(QStringLiteral(" S 221")),
             qPrintable(f.server.sessionLog().join(u'\n')));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpPorts)
#include "tst_korvanestmp_ports.moc"
