// Built without the build tree's run path, so the transport module cannot be
// found, as when a broken installation lacks it: the send fails with the
// internal error and says why, and the about dialog still opens.

#include "KorvaneSTMP.h"

#include <QSignalSpy>
#include <QTest>

class TestTransportMissing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendFailsWithTheReason()
    {
        KorvaneSTMP component;
        component.setServer(QStringLiteral("127.0.0.1:1"));
        component.setSender(QStringLiteral("zoe@example.org"));
        component.setRecipient(QStringLiteral("anna@example.org"));
        QSignalSpy failed(&component, &MailComponent::SendFailed);
        component.prepare();
        component.Send();
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.first().at(0).value<qint16>(), qint16(1009));
        const QString text = failed.first().at(1).toString();
        QVERIFY2(text.startsWith(QStringLiteral("Impossibile caricare il modulo di invio: ")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("korvane-smtp")), qPrintable(text));
        QVERIFY(component.IsReady());
    }

    void aboutBoxSaysSo()
    {
        QString shown;
        KorvaneSTMP component([&shown](const QString &, const QString &text) { shown = text; });
        component.AboutBox();
        QVERIFY2(shown.contains(QStringLiteral("Modulo di invio non disponibile")), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(TestTransportMissing)
#include "tst_transportmissing.moc"
