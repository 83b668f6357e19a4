#include "addresses/AddressItems.h"
#include "addresses/DomainLookup.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAddressItems : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findings_data();
    void findings();
};

void TestAddressItems::findings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor"); // -1: the box left
    QTest::addColumn<DomainAnswer>("answer");
    // Each finished item: as typed|fault|domain as asked|as typed|finding|domain meant
    QTest::addColumn<QString>("found");
    const auto row = [](const char *tag, const QString &text, int cursor, DomainAnswer answer,
                        const QString &found) { QTest::newRow(tag) << text << cursor << answer << found; };
    using enum DomainAnswer;
    row("a separator in a quoted name, an ACE domain", u" a@b.it ;\"Rossi, M\" <m@Èsempio.it>,"_s, -1,
        Receives, u"a@b.it|0|b.it|b.it|0| ; \"Rossi, M\" <m@Èsempio.it>|0|xn--sempio-2ua.it|Èsempio.it|0|"_s);
    row("the item being typed waits", u"m@gmal.com, m@gmai"_s, 18, NoExchanger,
        u"m@gmal.com|0|gmal.com|gmal.com|5|gmail.com"_s);
    row("after a separator, capitals", u"m@LIBREO.IT, "_s, 13, Missing,
        u"m@LIBREO.IT|0|libreo.it|LIBREO.IT|3|libero.it"_s);
    row("two letters off, one of the user's, the user's own",
        u"m@hotmial.itt, <b@studio-bianchl.it>; g@gmial.com"_s, -1, Missing,
        u"m@hotmial.itt|0|hotmial.itt|hotmial.itt|3|hotmail.it ; <b@studio-bianchl.it>|0|studio-bianchl.it|"
        u"studio-bianchl.it|3|studio-bianchi.it ; g@gmial.com|0|gmial.com|gmial.com|2|"_s);
    row("short names: one letter only", u"m@pcc.it, m@abc.it"_s, -1, Missing,
        u"m@pcc.it|0|pcc.it|pcc.it|3|pec.it ; m@abc.it|0|abc.it|abc.it|2|"_s);
    row("no exchanger, no likeness", u"m@esempio.it"_s, -1, NoExchanger,
        u"m@esempio.it|0|esempio.it|esempio.it|0|"_s);
    row("null exchanger", u"m@libreo.it, m@esempio.it"_s, -1, TakesNoMail,
        u"m@libreo.it|0|libreo.it|libreo.it|3|libero.it ; m@esempio.it|0|esempio.it|esempio.it|4|"_s);
    row("takes mail, a likeness", u"m@libreo.it"_s, -1, Receives, u"m@libreo.it|0|libreo.it|libreo.it|0|"_s);
    row("not known yet", u"m@gmial.it"_s, -1, Unknown, u"m@gmial.it|0|gmial.it|gmial.it|0|"_s);
    row("refused", u"mario, @x.it, m@, m@x..it, a b@x.it"_s, -1, Missing,
        u"mario|1|||1| ; @x.it|2||x.it|1| ; m@|3|||1| ; m@x..it|4||x..it|1| ; a b@x.it|5||x.it|1|"_s);
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
        shown << u"%1|%2|%3|%4|%5|%6"_s.arg(
            text.sliced(item.start, item.end - item.start), QString::number(int(item.fault)), item.domain,
            item.typedDomain(text), QString::number(finding.kind), finding.meant);
    }
    QCOMPARE(shown.join(u" ; "_s), found);
}

QTEST_MAIN(TestAddressItems)
#include "tst_addressitems.moc"
