// Built without the build tree's run path, so the transport module cannot be
// found, as when a broken installation lacks it: the send fails with the
// internal error and says why, and the about dialog opens as ever. Its run
// path is a relative folder and an empty entry (the current folder), where
// a false module lies: it is never loaded. Then the search through folders
// that hold modules which must be refused (a false one, one of another
// build) before this build's, or none.

#include "mail/KorvaneSTMP.h"
#include "mail/MailTexts.h"
#include "mail/TransportModule.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
    // module the reason names; none when this build's loads.
    void searchPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("this build's") << u"built"_s << QString();
        QTest::newRow("an empty folder, then this build's") << u"empty built"_s << QString();
        QTest::newRow("another build, then this build's") << u"other built"_s << QString();
        QTest::newRow("a false module, then this build's") << u"planted built"_s << QString();
        QTest::newRow("both refused, then this build's") << u"planted other built"_s << QString();
        QTest::newRow("another build alone") << u"other"_s << u"other"_s;
        QTest::newRow("another build, then a false module") << u"other planted"_s << u"other"_s;
        QTest::newRow("a false module, then another build") << u"planted empty other"_s << u"planted"_s;
    }

    void searchPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QDir folders(dir.path());
        const QString file = u"/korvane-smtp.so"_s;
        QVERIFY(folders.mkpath(u"empty"_s) && folders.mkpath(u"other"_s) && folders.mkpath(u"planted"_s));
        QVERIFY(QFile::copy(QStringLiteral(OTHER_BUILD_MODULE), folders.filePath(u"other"_s) + file)
                && QFile::copy(QStringLiteral(PLANTED_MODULE), folders.filePath(u"planted"_s) + file));
        QStringList searched = path.split(u' ');
        for (QString &name : searched)
            name = name == u"built" ? QStringLiteral(BUILT_MODULE_DIR) : folders.filePath(name);
        const auto [entry, said] = TransportModule::search(searched);
        QVERIFY2(!QFile::exists(m_mark), "a refused module was loaded");
        QCOMPARE(entry != nullptr, refusal.isEmpty());
        const QString refused = folders.filePath(refusal) + file;
        if (refusal.isEmpty())
            QCOMPARE(said, QString());
        else if (refusal == u"other")
            QCOMPARE(said, mailText(MailText::TransportOtherVersion).arg(refused));
        else
            QVERIFY2(said.startsWith(refused + u": "_s), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestTransportMissing)
#include "tst_transportmissing.moc"
