// Built without the build tree's run path, so the transport module cannot be
// found, as when a broken installation lacks it: the send fails with the
// internal error and says why, and the about dialog opens as ever. Its run
// path is a relative folder and an empty entry (the current folder), where
// a false module lies: it is never loaded.

#include "KorvaneSTMP.h"
#include "TransportModule.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestTransportMissing : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_mark;

private Q_SLOTS:
    // Before anything loads: the module is looked for once per process.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("lib")));
        for (const QString &planted :
             {QStringLiteral("korvane-smtp.so"), QStringLiteral("lib/korvane-smtp.so")})
            QVERIFY(QFile::copy(QStringLiteral(PLANTED_MODULE), m_dir.filePath(planted)));
        m_mark = m_dir.filePath(QStringLiteral("loaded"));
        qputenv("KORVANE_PLANTED_MARK", QFile::encodeName(m_mark));
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void plantedModuleNeverLoaded()
    {
        QVERIFY(!TransportModule::entry());
        QVERIFY2(!QFile::exists(m_mark), "a korvane-smtp.so in the current folder was loaded");
        QVERIFY2(!TransportModule::loadError().contains(m_dir.path()),
                 qPrintable(TransportModule::loadError()));
    }

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

    void aboutBoxNeedsNoModule()
    {
        QString shown;
        KorvaneSTMP component([&shown](const QString &, const QString &text) { shown = text; });
        component.AboutBox();
        QVERIFY2(shown.contains(QStringLiteral("\nlibcurl " KORVANE_CURL_VERSION "\n")), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(TestTransportMissing)
#include "tst_transportmissing.moc"
