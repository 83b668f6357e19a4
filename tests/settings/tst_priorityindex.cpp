#include "settings/FieldText.h"
#include "settings/PriorityIndex.h"

#include <QTest>

class TestPriorityIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsLeadingNumber_data();
    void readsLeadingNumber();
    void trimsSpacesOnly_data();
    void trimsSpacesOnly();
};

void TestPriorityIndex::readsLeadingNumber_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected"); // -1: the selection is left alone

    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("two") << "2" << 2;
    QTest::newRow("spaces around") << "  1  " << 1;
    QTest::newRow("one and a half rounds to even 2") << "1.5" << 2;
    QTest::newRow("one half rounds to even 0") << "0.5" << 0;
    QTest::newRow("two and a half rounds to even 2") << "2.5" << 2;
    QTest::newRow("just over a half") << "0.5000000000000000000001" << 1;
    QTest::newRow("just under a half, beyond double") << "1.49999999999999999999" << 1;
    QTest::newRow("fraction only") << ".6" << 1;
    QTest::newRow("plus sign") << "+2" << 2;
    QTest::newRow("small negative rounds to 0") << "-0.4" << 0;
    QTest::newRow("leading zeros") << "0002" << 2;
    QTest::newRow("trailing text") << "2 (Bassa)" << 2;
    QTest::newRow("no exponent") << "1e3" << 1;
    QTest::newRow("text reads as 0") << "Bassa" << 0;
    QTest::newRow("sign alone reads as 0") << "-" << 0;
    QTest::newRow("tab is not trimmed, reads as 0") << "\t2" << 0;
    QTest::newRow("seven") << "7" << -1;
    QTest::newRow("minus one") << "-1" << -1;
    QTest::newRow("big") << "100000000000000000000" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("spaces only") << "   " << -1;
}

void TestPriorityIndex::readsLeadingNumber()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);

    QCOMPARE(priorityIndexFromText(stored).value_or(-1), expected);
}

void TestPriorityIndex::trimsSpacesOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::addColumn<QString>("withoutTrailing");

    QTest::newRow("spaces") << "  a b  "
                            << "a b"
                            << "  a b";
    QTest::newRow("tabs and breaks stay") << "\t a\n "
                                          << "\t a\n"
                                          << "\t a\n";
    QTest::newRow("body") << "  parola\n  "
                          << "parola\n"
                          << "  parola\n";
    QTest::newRow("spaces only") << "   "
                                 << ""
                                 << "";
    QTest::newRow("non-breaking space stays") << "\u00a0x\u00a0"
                                              << "\u00a0x\u00a0"
                                              << "\u00a0x\u00a0";
}

void TestPriorityIndex::trimsSpacesOnly()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QFETCH(QString, withoutTrailing);

    QCOMPARE(FieldText::trimmed(text), trimmed);
    QCOMPARE(FieldText::withoutTrailingSpaces(text), withoutTrailing);
}

QTEST_APPLESS_MAIN(TestPriorityIndex)
#include "tst_priorityindex.moc"
