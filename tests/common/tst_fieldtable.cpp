// Two rows that share a name would lose one field's value to the other's:
// in the settings, the recovery copy, the window, the component or a link.
#include "common/FieldTable.h"

#include <QSet>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using FieldTable::Row;

class TestFieldTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesAreTheirRowsOwn_data();
    void namesAreTheirRowsOwn();
    void linksFillTexts();
};

namespace {

struct Column
{
    const char *name;
    std::function<QString(const Row &)> of;
    QStringList taken; // names the same place holds for something else
    bool mayBeEmpty = false;
};

const Column columns[] = {
    {"settings key", [](const Row &row) { return row.section + u'/' + row.key; }, {u"STMP/SEQUENZA"_s}},
    {"recovery key",
     [](const Row &row) { return QString(row.recoveryKey); },
     {u"format"_s, u"takenAtMs"_s, u"order"_s, u"stored"_s, u"sent"_s}},
    {"control", [](const Row &row) { return QString(row.control); }, {u"chkAutentica"_s, u"cmdInvia"_s}},
    {"label", [](const Row &row) { return QString(row.label); }, {}},
    {"property", [](const Row &row) { return QString(row.property); }, {u"ClientName"_s, u"Password"_s}},
    {"link name", [](const Row &row) { return QString(row.linkName); }, {}, true},
};

} // namespace

void TestFieldTable::namesAreTheirRowsOwn_data()
{
    QTest::addColumn<int>("column");
    for (int i = 0; i < int(std::size(columns)); ++i)
        QTest::newRow(columns[i].name) << i;
}

void TestFieldTable::namesAreTheirRowsOwn()
{
    QFETCH(int, column);
    const Column &names = columns[column];
    QSet<QString> seen(names.taken.cbegin(), names.taken.cend());
    for (const Row &row : FieldTable::rows) {
        const QString name = names.of(row);
        if (name.isEmpty() && names.mayBeEmpty)
            continue;
        QVERIFY2(!name.isEmpty() && !seen.contains(name), qPrintable(name));
        seen.insert(name);
    }
}

// A link's value is text: it cannot fill the priority's index.
void TestFieldTable::linksFillTexts()
{
    for (const Row &row : FieldTable::rows) {
        QCOMPARE(row.link == FieldTable::LinkFill::Never, row.linkName.isEmpty());
        if (row.link != FieldTable::LinkFill::Never)
            QVERIFY2(row.text, row.linkName.data());
    }
}

QTEST_GUILESS_MAIN(TestFieldTable)
#include "tst_fieldtable.moc"
