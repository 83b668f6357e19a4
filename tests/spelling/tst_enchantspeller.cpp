#include "spelling/EnchantSpeller.h"
#include "tests/support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

// The real library and Debian's Italian dictionary. The personal word list
// goes where the user's would, under $XDG_CONFIG_HOME, here a folder of the
// test's own, set before the library first reads it.
class TestEnchantSpeller : public QObject
{
    Q_OBJECT

public:
    explicit TestEnchantSpeller(QString configHome) : m_configHome(std::move(configHome)) {}

private slots:
    void init();
    void words_data();
    void words();
    void suggestions();
    void ignoredForThisRunOnly();
    void personalWordsKeptForLaterRuns();
    void unavailable_data();
    void unavailable();

private:
    QString m_configHome;
    std::unique_ptr<EnchantSpeller> m_speller;
};

void TestEnchantSpeller::init()
{
    QString why;
    m_speller = EnchantSpeller::open(&why);
    QVERIFY2(m_speller, qPrintable(why));
}

void TestEnchantSpeller::words_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("correct");
    for (const char *word : {"acqua", "perché", "È", "dell'anno", "l’acqua", "Roma", "Perché", "po"})
        QTest::newRow(word) << QString::fromUtf8(word) << true;
    for (const char *word : {"ciaoo", "perche", "erorre", "roma", "dell"})
        QTest::newRow(word) << QString::fromUtf8(word) << false;
}

void TestEnchantSpeller::words()
{
    QFETCH(QString, word);
    QFETCH(bool, correct);
    QCOMPARE(m_speller->isCorrect(word), correct);
    QCOMPARE(m_speller->isCorrect(word), correct); // and again, remembered
}

void TestEnchantSpeller::suggestions()
{
    const QStringList offered = m_speller->suggestions(QStringLiteral("erorre"), 5);
    QVERIFY2(offered.contains(QStringLiteral("errore")), qPrintable(offered.join(u',')));
    QVERIFY(offered.size() <= 5);
    QCOMPARE(m_speller->suggestions(QStringLiteral("perche"), 1), QStringList{QStringLiteral("perché")});
}

void TestEnchantSpeller::ignoredForThisRunOnly()
{
    m_speller->ignore(QStringLiteral("Korvanese"));
    QVERIFY(m_speller->isCorrect(QStringLiteral("Korvanese")));
    QString why;
    const auto later = EnchantSpeller::open(&why);
    QVERIFY(!later->isCorrect(QStringLiteral("Korvanese")));
}

void TestEnchantSpeller::personalWordsKeptForLaterRuns()
{
    m_speller->addToPersonal(QStringLiteral("Smtpese"));
    QVERIFY(m_speller->isCorrect(QStringLiteral("Smtpese")));
    m_speller.reset();
    QString why;
    const auto later = EnchantSpeller::open(&why);
    QVERIFY(later->isCorrect(QStringLiteral("Smtpese")));
    QVERIFY(TestFiles::readFile(m_configHome + QStringLiteral("/enchant/it_IT.dic")).contains("Smtpese"));
}

void TestEnchantSpeller::unavailable_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("why");
    QTest::newRow("no dictionary") << "xx_YY"
                                   << "enchant-2"
                                   << "nessun dizionario per la lingua xx_YY";
    QTest::newRow("no library") << "it_IT"
                                << "korvane-nessuna-libreria"
                                << "libreria di ortografia non trovata";
}

void TestEnchantSpeller::unavailable()
{
    QFETCH(QString, language);
    QFETCH(QString, library);
    QFETCH(QString, why);
    QString said;
    QVERIFY(!EnchantSpeller::open(&said, language, library));
    QVERIFY2(said.startsWith(why), qPrintable(said));
}

int main(int argc, char *argv[])
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    qunsetenv("ENCHANT_CONFIG_DIR");
    TestEnchantSpeller test(configHome.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_enchantspeller.moc"
