#pragma once

#include "MailTestSupport.h"

// One send's set-up: a test server started with options, a component
// configured to send a small message through it, and a watch on the
// component. Check the server with KORVANE_START before using it.
struct SendFixture
{
    explicit SendFixture(const QStringList &options = {}) : server(options)
    {
        MailTest::configure(component, server);
    }

    // The first message that reached the server's final ".".
    QJsonObject message() const { return server.messages().constFirst(); }

    SmtpTestServer server;
    KorvaneSTMP component;
    SendWatch watch{&component};
};

// Sends and waits for the message to reach the server: the send must
// complete, and the server hear the final "." within its own wait.
#define KORVANE_DELIVER(fixture, timeoutMs)                                                                  \
    do {                                                                                                     \
        KORVANE_SEND((fixture).component, (fixture).watch, timeoutMs);                                       \
        QVERIFY2(!(fixture).watch.completed.isEmpty(), (fixture).watch.outcome().constData());               \
        QVERIFY((fixture).server.waitForMessages(1));                                                        \
    } while (false)
