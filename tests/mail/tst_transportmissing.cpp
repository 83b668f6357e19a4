// Built without the build tree's run path, so the transport module cannot be
// found, as when a broken installation lacks it: the send fails with the
// internal error and says why, and the about dialog opens as ever. Its run
// path is a relative folder and an empty entry (the current folder), where
// a false module lies: it is never loaded. Then the search along a path
// that holds modules which must be refused (a false one, one of another
// build) before this build's, or none, as transportsearch sees it.

#include "KorvaneSTMP.h"
#include "MailTexts.h"
#include "TransportModule.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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

    // Folders on the search path, in order: "built" (this build's module),
    // "other" (a module of another build: this version and interface id),
    // "planted" (no plugin at all), "empty". refusal: the folder whose
    // module the reason names, when none loads.
    void searchPath_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("refusal");

        QTest::newRow("this build's") << QStringList{"built"} << true << QString();
        QTest::newRow("an empty folder, then this build's")
            << QStringList{"empty", "built"} << true << QString();
        QTest::newRow("another build, then this build's")
            << QStringList{"other", "built"} << true << QString();
        QTest::newRow("a false module, then this build's")
            << QStringList{"planted", "built"} << true << QString();
        QTest::newRow("both refused, then this build's")
            << QStringList{"planted", "other", "built"} << true << QString();
        QTest::newRow("another build alone") << QStringList{"other"} << false << QStringLiteral("other");
        QTest::newRow("another build, then a false module")
            << QStringList{"other", "planted"} << false << QStringLiteral("other");
        QTest::newRow("a false module, then another build")
            << QStringList{"planted", "empty", "other"} << false << QStringLiteral("planted");
    }

    void searchPath()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, loads);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir folders(dir.path());
        const QString file = QStringLiteral("/korvane-smtp.so");
        for (const auto &[name, module] :
             {std::pair{"other", OTHER_BUILD_MODULE}, {"planted", PLANTED_MODULE}}) {
            QVERIFY(folders.mkdir(QLatin1String(name)));
            QVERIFY(QFile::copy(QLatin1String(module), folders.filePath(QLatin1String(name)) + file));
        }
        QVERIFY(folders.mkdir(QStringLiteral("empty")));
        const auto folder = [&folders](const QString &name) {
            return name == u"built" ? QStringLiteral(BUILT_MODULE_DIR) : folders.filePath(name);
        };
        QStringList searched;
        for (const QString &name : std::as_const(path))
            searched << folder(name);
        const QString mark = folders.filePath(QStringLiteral("loaded"));

        QProcess search;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString inherited = env.value(QStringLiteral("LD_LIBRARY_PATH"));
        env.insert(QStringLiteral("LD_LIBRARY_PATH"),
                   searched.join(u':') + (inherited.isEmpty() ? QString() : u':' + inherited));
        env.insert(QStringLiteral("KORVANE_PLANTED_MARK"), mark);
        search.setProcessEnvironment(env);
        search.start(QStringLiteral(TRANSPORT_SEARCH), {});
        QVERIFY(search.waitForFinished(60000));
        const QString said = QString::fromUtf8(search.readAllStandardOutput());
        QVERIFY2(search.exitStatus() == QProcess::NormalExit,
                 qPrintable(QString::fromLocal8Bit(search.readAllStandardError())));
        QVERIFY2(!QFile::exists(mark), "a refused module was loaded");
        if (loads) {
            QCOMPARE(said, QStringLiteral("loaded"));
            QCOMPARE(search.exitCode(), 0);
            return;
        }
        QCOMPARE(search.exitCode(), 1);
        const QString refused = folder(refusal) + file;
        if (refusal == u"other")
            QCOMPARE(said, mailText(MailText::TransportOtherVersion).arg(refused));
        else
            QVERIFY2(said.startsWith(refused + QStringLiteral(": ")), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestTransportMissing)
#include "tst_transportmissing.moc"
