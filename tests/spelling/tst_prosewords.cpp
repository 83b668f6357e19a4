#include "spelling/ProseWords.h"

#include <QTest>

class TestProseWords : public QObject
{
    Q_OBJECT

private slots:
    void words_data();
    void words();
    void partOfLine_data();
    void partOfLine();
};

namespace {

QStringList wordsOf(const QString &line, qsizetype from = 0, qsizetype to = -1)
{
    QStringList words;
    for (const ProseWords::Span &word : ProseWords::find(line, from, to))
        words << line.mid(word.start, word.length);
    return words;
}

} // namespace

// NOLINTNEXTLINE(readability-function-size)
void TestProseWords::words_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("prose and punctuation")
        << "Ciao, come stai? (Bene.)" << QStringList{"Ciao", "come", "stai", "Bene"};
    QTest::newRow("accents") << "perché è già così" << QStringList{"perché", "è", "già", "così"};
    QTest::newRow("elision kept whole") << "dell'anno e l’acqua" << QStringList{"dell'anno", "e", "l’acqua"};
    QTest::newRow("quotes around a word") << "'ciao' po'" << QStringList{"ciao", "po"};
    QTest::newRow("hyphen parts") << "anglo-americano" << QStringList{"anglo", "americano"};
    QTest::newRow("address") << "scrivi a mario.rossi@esempio.it ora" << QStringList{"scrivi", "a", "ora"};
    QTest::newRow("address in brackets") << "Mario <mario@esempio.it>" << QStringList{"Mario"};
    QTest::newRow("web link") << "vedi https://esempio.it/pagina?x=1 qui" << QStringList{"vedi", "qui"};
    QTest::newRow("bare host") << "su www.esempio.it, grazie" << QStringList{"su", "grazie"};
    QTest::newRow("file link and path") << "file:///tmp/a apri C:\\Documenti\\lettera" << QStringList{"apri"};
    QTest::newRow("identifier") << "nome_file pronto" << QStringList{"pronto"};
    QTest::newRow("digits") << "ore 10 e3 mp3 A4B fine" << QStringList{"ore", "fine"};
    QTest::newRow("abbreviations") << "la NATO e l'ONU, E basta" << QStringList{"la", "e", "E", "basta"};
    QTest::newRow("sentence end") << "Fine. Inizio" << QStringList{"Fine", "Inizio"};
    QTest::newRow("quoted line") << "> citazione sbagliatta" << QStringList{};
    QTest::newRow("quoted after spaces") << "   >> risposta" << QStringList{};
    QTest::newRow("arrow later is prose") << "a > b" << QStringList{"a", "b"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestProseWords::words()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(wordsOf(line), words);
}

void TestProseWords::partOfLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("whole") << "uno due tre" << 0 << -1 << QStringList{"uno", "due", "tre"};
    QTest::newRow("cut words left out") << "uno due tre" << 1 << 9 << QStringList{"due"};
    QTest::newRow("on the edges") << "uno due tre" << 4 << 7 << QStringList{"due"};
    QTest::newRow("a cut address is not a word") << "x mario@esempio.it y" << 8 << 20 << QStringList{"y"};
    QTest::newRow("quote known from the line's start") << "> uno due" << 5 << -1 << QStringList{};
}

void TestProseWords::partOfLine()
{
    QFETCH(QString, line);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, words);
    QCOMPARE(wordsOf(line, from, to), words);
}

QTEST_APPLESS_MAIN(TestProseWords)
#include "tst_prosewords.moc"
