#include "AddressItems.h"
#include "DomainLookup.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAddressItems : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findings_data();
    void findings();
};

// NOLINTNEXTLINE(readability-function-size)
void TestAddressItems::findings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor"); // -1: the box left
    QTest::addColumn<DomainAnswer>("answer");
    // Each finished item: as typed|fault|domain as asked|as typed|finding|domain meant
    QTest::addColumn<QString>("found");

    const auto none = DomainAnswer::Missing;
    const auto noMx = DomainAnswer::NoExchanger;
    QTest::newRow("a separator in a quoted name, an ACE domain")
        << u" a@b.it ;\"Rossi, M\" <m@Èsempio.it>,"_s << -1 << DomainAnswer::Receives
        << u"a@b.it|0|b.it|b.it|0| ; \"Rossi, M\" <m@Èsempio.it>|0|xn--sempio-2ua.it|Èsempio.it|0|"_s;
    QTest::newRow("the item being typed waits")
        << u"m@gmal.com, m@gmai"_s << 18 << noMx << u"m@gmal.com|0|gmal.com|gmal.com|3|gmail.com"_s;
    QTest::newRow("after a separator, capitals")
        << u"m@LIBREO.IT, "_s << 13 << none << u"m@LIBREO.IT|0|libreo.it|LIBREO.IT|3|libero.it"_s;
    QTest::newRow("two letters off, one of the user's, the user's own")
        << u"m@hotmial.itt, <b@studio-bianchl.it>; g@gmial.com"_s << -1 << none
        << u"m@hotmial.itt|0|hotmial.itt|hotmial.itt|3|hotmail.it ; "
           u"<b@studio-bianchl.it>|0|studio-bianchl.it|"
           "studio-bianchl.it|3|studio-bianchi.it ; g@gmial.com|0|gmial.com|gmial.com|2|"_s;
    QTest::newRow("short names: one letter only")
        << u"m@pcc.it, m@abc.it"_s << -1 << none
        << u"m@pcc.it|0|pcc.it|pcc.it|3|pec.it ; m@abc.it|0|abc.it|abc.it|2|"_s;
    QTest::newRow("no exchanger, no likeness")
        << u"m@esempio.it"_s << -1 << noMx << u"m@esempio.it|0|esempio.it|esempio.it|0|"_s;
    QTest::newRow("not known yet") << u"m@gmial.it"_s << -1 << DomainAnswer::Unknown
                                   << u"m@gmial.it|0|gmial.it|gmial.it|0|"_s;
    QTest::newRow("refused")
        << u"mario, @x.it, m@, m@x..it, a b@x.it"_s << -1 << none
        << u"mario|1|||1| ; @x.it|2||x.it|1| ; m@|3|||1| ; m@x..it|4||x..it|1| ; a b@x.it|5||x.it|1|"_s;
}

void TestAddressItems::findings()
{
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(DomainAnswer, answer);
    QFETCH(QString, found);
    QStringList shown;
    const QStringList own{u"studio-bianchi.it"_s, u"gmial.com"_s};
    for (const AddressItems::Item &item : AddressItems::finished(text, cursor)) {
        const AddressItems::Finding finding = AddressItems::judge(item, text, answer, own);
        shown << QStringList{text.sliced(item.start, item.end - item.start),
                             QString::number(int(item.fault)),
                             item.domain,
                             item.typedDomain(text).toString(),
                             QString::number(finding.kind),
                             finding.meant}
                     .join(u'|');
    }
    QCOMPARE(shown.join(u" ; "_s), found);
}

QTEST_MAIN(TestAddressItems)
#include "tst_addressitems.moc"
