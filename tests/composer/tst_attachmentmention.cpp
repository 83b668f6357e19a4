#include "composer/AttachmentMention.h"

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
    QTest::newRow("own text") << none << u"allego il file"_s << u"allego"_s;
    QTest::newRow("signature") << none << u"A presto\n-- \nQuesto messaggio e gli allegati sono riservati"_s
                               << none;
    QTest::newRow("signature, space dropped") << none << u"Ciao\n--\nGli allegati sono riservati"_s << none;
    QTest::newRow("without") << none << u"Ti scrivo senza allegati."_s << none;
    QTest::newRow("none this time") << none << u"Nessun allegato questa volta."_s << none;
    QTest::newRow("not attaching, a phrase") << none << u"Non ti allego nulla"_s << none;
    QTest::newRow("English, denied") << u"No attachment"_s << u"without attachments"_s << none;
    QTest::newRow("denied, then meant")
        << none << u"Ieri senza allegati, oggi ti mando in allegato il preventivo"_s << u"in allegato"_s;
    const QString quote = u"%1\n\nIn allegato il preventivo"_s;
    QTest::newRow("Outlook's original")
        << none << u"Bene, allego il file.\n"_s + quote.arg(u"-----Messaggio originale-----"_s)
        << u"allego"_s;
    QTest::newRow("English original") << none << quote.arg(u"-----Original Message-----"_s) << none;
    QTest::newRow("Gmail's forward") << none << quote.arg(u"---------- Forwarded message ---------"_s)
                                     << none;
    QTest::newRow("Thunderbird's forward")
        << none << quote.arg(u"-------- Messaggio inoltrato --------"_s) << none;
    QTest::newRow("Italian reply line")
        << none << quote.arg(u"Il giorno lun 4 mar 2024 alle ore 10:00 Anna <a@x.it> ha scritto:"_s) << none;
    QTest::newRow("English reply line, wrapped")
        << none << quote.arg(u"On Mon, Mar 4, 2024 at 10:00 AM Anna Bianchi <\na@x.it> wrote:"_s) << none;
    QTest::newRow("Outlook's header block")
        << none << quote.arg(u"Da: Anna\nInviato: lunedì 4 marzo 2024\nA: Mario\nOggetto: Offerta"_s) << none;
    QTest::newRow("a line from, no header block")
        << none << u"Da: Roma a Milano\nVi allego il programma"_s << u"vi allego"_s;
    QTest::newRow("reply's subject") << u"Re: preventivo allegato"_s << none << none;
    QTest::newRow("forward's subjects, any case") << u"I: FW: allegato"_s << none << none;
    QTest::newRow("a colon, no prefix") << u"Preventivo: allegato"_s << none << u"allegato"_s;
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
