// The about dialog every start shows: it names the libraries' versions
// without waiting for the transport module, which loads once the window is up.

#include "mail/KorvaneSTMP.h"

#include <QRegularExpression>
#include <QTest>

class TestKorvaneSmtpAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesTheLibrariesAtOnce();
};

void TestKorvaneSmtpAbout::namesTheLibrariesAtOnce()
{
    QStringList shown;
    KorvaneSTMP component([&shown](const QString &title, const QString &text) { shown << title << text; });
    component.setClientName(QStringLiteral("KORVANE CLIENT STMP " KORVANE_VERSION));
    component.AboutBox();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0), QStringLiteral("Informazioni su KorvaneSTMP"));
    const QStringList lines = shown.at(1).split(u'\n');
    QCOMPARE(lines.first(), QStringLiteral("KorvaneSTMP " KORVANE_VERSION));
    QVERIFY(lines.contains(QStringLiteral("Client: KORVANE CLIENT STMP " KORVANE_VERSION)));
    // The libcurl the transport was built with.
    static const QRegularExpression curl(QStringLiteral(R"(^libcurl \d+\.\d+\.\d+$)"));
    QVERIFY2(!lines.filter(curl).isEmpty(), qPrintable(shown.at(1)));
    QCOMPARE(lines.last(), QStringLiteral("Qt ") + QString::fromLatin1(qVersion()));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpAbout)
#include "tst_korvanestmp_about.moc"
