#include "addresses/AddressIndex.h"
#include "addresses/AddressInput.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAddressInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completesItemUnderCursor_data();
    void completesItemUnderCursor();
    void matches_data();
    void matches();
    void entriesRoundTrip_data();
    void entriesRoundTrip();
};

void TestAddressInput::completesItemUnderCursor_data()
{
    QTest::addColumn<QString>("text"); // '|' marks the cursor
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result"); // '|' marks the cursor after

    const QString mario = u"Mario Rossi <mario@example.org>"_s;
    QTest::newRow("only item") << u"ma|"_s << u"ma"_s << mario + u", |"_s;
    QTest::newRow("after comma, items before kept") << u"anna@x.it,  bob <b@y.it>, ma|"_s << u"ma"_s
                                                    << u"anna@x.it,  bob <b@y.it>, "_s + mario + u", |"_s;
    QTest::newRow("after semicolon, no space")
        << u"anna@x.it;ma|"_s << u"ma"_s << u"anna@x.it;"_s + mario + u", |"_s;
    QTest::newRow("quoted comma is no separator") << u"\"Bianchi, Anna\" <a@x.it>, Ro|"_s << u"Ro"_s
                                                  << u"\"Bianchi, Anna\" <a@x.it>, "_s + mario + u", |"_s;
    QTest::newRow("middle item, text after kept")
        << u"anna@x.it, ma|rio, bob@y.it"_s << u"ma"_s << u"anna@x.it, "_s + mario + u"|, bob@y.it"_s;
}

void TestAddressInput::completesItemUnderCursor()
{
    QFETCH(QString, text);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    const qsizetype cursor = text.indexOf(u'|');
    text.remove(cursor, 1);
    QCOMPARE(AddressInput::itemAt(text, cursor).typed, typed);
    const auto completed = AddressInput::complete(text, cursor, u"Mario Rossi <mario@example.org>"_s);
    QString shown = completed.text;
    shown.insert(completed.cursor, u'|');
    QCOMPARE(shown, result);
}

void TestAddressInput::matches_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("addresses");

    QTest::newRow("start of name") << u"mar"_s << QStringList{u"mario@example.org"_s};
    QTest::newRow("word of name") << u"ROS"_s << QStringList{u"mario@example.org"_s};
    QTest::newRow("start of address, order kept") << u"a"_s << QStringList{u"anna@x.it"_s, u"ada@y.it"_s};
    QTest::newRow("inside a word: none") << u"ossi"_s << QStringList{};
    QTest::newRow("nothing typed: none") << QString() << QStringList{};
}

void TestAddressInput::matches()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, addresses);
    const AddressIndex entries({{u"Mario Rossi"_s, u"mario@example.org"_s},
                                {QString(), u"anna@x.it"_s},
                                {u"Bianchi, Ada"_s, u"ada@y.it"_s}});
    QStringList found;
    for (const AddressEntry &entry : entries.matching(typed))
        found << entry.address;
    QCOMPARE(found, addresses);
}

void TestAddressInput::entriesRoundTrip_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("bare and named") << u"a@x.it; Mario Rossi <m@y.it>"_s
                                    << QStringList{u"a@x.it"_s, u"Mario Rossi <m@y.it>"_s};
    QTest::newRow("quoted name with comma") << u"\"Rossi, Mario\" <m@y.it>, (c) b@z.it"_s
                                            << QStringList{u"\"Rossi, Mario\" <m@y.it>"_s, u"b@z.it"_s};
    QTest::newRow("no address left out") << u"nessuno, , c@x.it"_s << QStringList{u"c@x.it"_s};
}

void TestAddressInput::entriesRoundTrip()
{
    QFETCH(QString, field);
    QFETCH(QStringList, shown);
    QStringList displayed;
    for (const AddressEntry &entry : addressEntries(field))
        displayed << entry.display();
    QCOMPARE(displayed, shown);
}

QTEST_GUILESS_MAIN(TestAddressInput)
#include "tst_addressinput.moc"
