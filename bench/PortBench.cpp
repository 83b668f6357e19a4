#include "PortBench.h"

#include "mail/KorvaneSTMP.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>

namespace {

// The message every round sends, to the server and ports given.
void prepare(KorvaneSTMP &component, const QStringList &args, quint16 plain, quint16 submission,
             quint16 implicitTls)
{
    component.setServer(args[0]);
    component.setUsualPorts(plain, submission, implicitTls);
    component.setCaFile(args[4]);
    if (args[5] != u"-")
        component.setUsername(args[5]);
    component.setSender(QStringLiteral("bench@korvane.test"));
    component.setRecipient(QStringLiteral("sink@korvane.test"));
    component.setSubject(QStringLiteral("Prova della porta"));
    component.setBody(QStringLiteral("Prova.\n"));
}

} // namespace

int runPortBench(const QStringList &args)
{
    if (args.size() != 8)
        return 2;
    bool ok = true;
    const auto port = [&ok](const QString &text) {
        bool one = false;
        const uint value = text.toUInt(&one);
        ok = ok && one && value > 0 && value < 65536;
        return quint16(value);
    };
    const quint16 plain = port(args[1]);
    const quint16 submission = port(args[2]);
    const quint16 implicitTls = port(args[3]);
    const int count = args[7].toInt();
    if (!ok || count < 1)
        return 2;

    KorvaneSTMP component;
    prepare(component, args, plain, submission, implicitTls);
    const bool credentials = args[5] != u"-";

    qint16 number = 0;
    QEventLoop loop;
    QObject::connect(&component, &MailComponent::SendCompleted, &loop, [&] {
        number = 0;
        loop.quit();
    });
    QObject::connect(&component, &MailComponent::SendFailed, &loop, [&](qint16 n, const QString &text) {
        number = n;
        std::fprintf(stderr, "%d %s\n", int(n), qPrintable(text));
        loop.quit();
    });
    for (int i = 1; i <= count; ++i) {
        // The component forgets the password when a send ends; the window
        // asks for it before every send.
        if (credentials)
            component.setPassword(args[6]);
        QElapsedTimer clock;
        clock.start();
        component.Send();
        loop.exec();
        std::printf("send=%d ms=%.1f number=%d\n", i, double(clock.nsecsElapsed()) / 1e6, int(number));
        std::fflush(stdout);
    }
    return 0;
}
