#include "settings/SavedFields.h"
#include "tests/support/MemorySettingsStore.h"

#include <QTest>

using namespace Qt::StringLiterals;
using SavedFields::RestoreFields;
using SavedFields::StoreFields;

class TestSavedFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresTextRules_data();
    void restoresTextRules();
    void restoresPriority_data();
    void restoresPriority();
    void emptyStoreChangesNothing();
    void failingRowIsSkipped_data();
    void failingRowIsSkipped();
    void storesEveryRowInOrder();
    void retiredKeyRemoved();
};

void TestSavedFields::restoresTextRules_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("restored");

    QTest::newRow("server trimmed") << "STMP/SERVER"
                                    << "  smtp.example.org  "
                                    << "smtp.example.org";
    QTest::newRow("sender loses leading spaces") << "EMAIL/MITTENTE"
                                                 << "   a@b.it"
                                                 << "a@b.it";
    QTest::newRow("body keeps leading spaces") << "EMAIL/CONTENUTO"
                                               << "   Ciao  \n  tutti  "
                                               << "   Ciao  \n  tutti";
    QTest::newRow("subject keeps its tab") << "EMAIL/OGGETTO"
                                           << " \tOggetto "
                                           << "\tOggetto";
}

void TestSavedFields::restoresTextRules()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, restored);

    MemorySettingsStore store;
    store.values.insert(key, stored);
    MailFields fields;
    RestoreFields(store, fields);

    const QHash<QString, QString MailFields::*> field{
        {u"STMP/SERVER"_s, &MailFields::server},
        {u"EMAIL/MITTENTE"_s, &MailFields::sender},
        {u"EMAIL/OGGETTO"_s, &MailFields::subject},
        {u"EMAIL/CONTENUTO"_s, &MailFields::body},
    };
    QCOMPARE(fields.*field.value(key), restored);
}

void TestSavedFields::restoresPriority_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");

    QTest::newRow("1.5 selects Bassa") << "1.5" << 2;
    QTest::newRow("0.5 selects Alta") << "0.5" << 0;
    QTest::newRow("text selects Alta") << "alta" << 0;
    QTest::newRow("7 keeps Normale") << "7" << 1;
    QTest::newRow("-1 keeps Normale") << "-1" << 1;
    QTest::newRow("empty keeps Normale") << "  " << 1;
}

void TestSavedFields::restoresPriority()
{
    QFETCH(QString, stored);
    QFETCH(int, index);

    MemorySettingsStore store;
    store.values.insert(QStringLiteral("EMAIL/PRIORITA"), stored);
    MailFields fields;
    RestoreFields(store, fields);
    QCOMPARE(fields.priorityIndex, index);
}

void TestSavedFields::emptyStoreChangesNothing()
{
    MemorySettingsStore store;
    MailFields fields;
    RestoreFields(store, fields);
    QCOMPARE(fields, MailFields{});
}

void TestSavedFields::failingRowIsSkipped_data()
{
    QTest::addColumn<QString>("failing");

    QTest::newRow("first") << "STMP/SERVER";
    QTest::newRow("priority") << "EMAIL/PRIORITA";
    QTest::newRow("last") << "EMAIL/CONTENUTO";
}

void TestSavedFields::failingRowIsSkipped()
{
    QFETCH(QString, failing);

    MemorySettingsStore store;
    for (const QString &key : {u"STMP/SERVER"_s, u"EMAIL/CONTENUTO"_s})
        store.values.insert(key, QStringLiteral("salvato"));
    store.values.insert(QStringLiteral("EMAIL/PRIORITA"), QStringLiteral("2"));
    store.failing.insert(failing);

    MailFields fields;
    fields.server = QStringLiteral("prima");
    fields.body = QStringLiteral("prima");
    RestoreFields(store, fields);
    QCOMPARE(fields.server, failing == u"STMP/SERVER" ? u"prima"_s : u"salvato"_s);
    QCOMPARE(fields.body, failing == u"EMAIL/CONTENUTO" ? u"prima"_s : u"salvato"_s);
    QCOMPARE(fields.priorityIndex, failing == u"EMAIL/PRIORITA" ? 1 : 2);

    store.writes.clear();
    StoreFields(store, fields);
    QCOMPARE(store.writes.size(), 8);
    QVERIFY(!store.writes.join(u'\n').contains(failing + u'='));
}

void TestSavedFields::storesEveryRowInOrder()
{
    MailFields fields;
    fields.server = QStringLiteral("  smtp.example.org ");
    fields.sender = QStringLiteral(" a@b.it");
    fields.priorityIndex = 0;
    fields.subject = QStringLiteral("Oggetto  ");
    fields.body = QStringLiteral("  riga\n  ");

    MemorySettingsStore store;
    StoreFields(store, fields);
    const QStringList expected{
        u"STMP/SERVER=smtp.example.org"_s,
        u"EMAIL/MITTENTE=a@b.it"_s,
        u"EMAIL/DESTINATARIO="_s,
        u"EMAIL/CC="_s,
        u"EMAIL/BCC="_s,
        u"EMAIL/ALLEGATI="_s,
        u"EMAIL/PRIORITA=0"_s,
        u"EMAIL/OGGETTO=Oggetto"_s,
        u"EMAIL/CONTENUTO=  riga\n"_s,
    };
    QCOMPARE(store.writes, expected);
}

// A key an earlier version kept beside the fields goes at the next store,
// which writes the fields and nothing else.
void TestSavedFields::retiredKeyRemoved()
{
    MemorySettingsStore store;
    store.values.insert(u"STMP/SEQUENZA"_s, u"9000000000000000"_s);
    QVERIFY(StoreFields(store, MailFields()));
    QCOMPARE(store.writes.size(), 9);
    QVERIFY(!store.values.contains(u"STMP/SEQUENZA"_s));
}

QTEST_APPLESS_MAIN(TestSavedFields)
#include "tst_savedfields.moc"
