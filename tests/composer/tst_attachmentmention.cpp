#include "AttachmentMention.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAttachmentMention : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void find_data();
    void find();
};

void TestAttachmentMention::find_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("found"); // null: no mention
    const QString none;
    QTest::newRow("the longest at its word")
        << none << u"ti mando in allegato il preventivo"_s << u"in allegato"_s;
    QTest::newRow("quoted alone") << none << u"> in allegato"_s << none;
    QTest::newRow("own line under a quote") << none << u"  >> allegato\nallego la fattura"_s << u"allego"_s;
    QTest::newRow("part of a longer word") << none << u"clausola allegatoria"_s << none;
    QTest::newRow("upper case") << none << u"Vi ALLEGO il file"_s << u"vi allego"_s;
    QTest::newRow("accent typed") << none << u"nell'allegàto"_s << u"allegato"_s;
    QTest::newRow("spaces between") << none << u"trovi   allegato"_s << u"trovi allegato"_s;
    QTest::newRow("English") << none << u"see attached."_s << u"attached"_s;
    QTest::newRow("subject only") << u"Fattura (allegata)"_s << u"Buongiorno"_s << u"allegata"_s;
    QTest::newRow("nothing") << u"Riunione"_s << u"A domani, legato al tavolo"_s << none;
}

void TestAttachmentMention::find()
{
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QString, found);
    QCOMPARE(AttachmentMention::find(subject, body), found);
}

QTEST_MAIN(TestAttachmentMention)
#include "tst_attachmentmention.moc"
