#include "composer/MailtoLink.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestMailtoLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestMailtoLink::parse_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("expected"); // to, cc, bcc, subject, body

    const auto row = [](const char *name, const QString &link, const QStringList &expected) {
        QTest::newRow(name) << link << true << expected;
    };
    const auto broken = [](const char *name, const QString &link) {
        QTest::newRow(name) << link << false << QStringList();
    };
    // The RFC's own examples first.
    row("cc and body", u"mailto:joe@example.com?cc=bob@example.com&body=hello"_s,
        {u"joe@example.com"_s, u"bob@example.com"_s, {}, {}, u"hello"_s});
    row("several addresses in to", u"mailto:?to=addr1@an.example,addr2@an.example"_s,
        {u"addr1@an.example, addr2@an.example"_s, {}, {}, {}, {}});
    row("addresses in path and to", u"mailto:addr1@an.example?to=addr2@an.example"_s,
        {u"addr1@an.example, addr2@an.example"_s, {}, {}, {}, {}});
    row("%20 is a space, + stays +", u"mailto:user+tag@example.org?subject=uno%20due+tre"_s,
        {u"user+tag@example.org"_s, {}, {}, u"uno due+tre"_s, {}});
    row("line breaks in body", u"mailto:infobot@example.com?body=send%20current-issue%0D%0Asend%20index"_s,
        {u"infobot@example.com"_s, {}, {}, {}, u"send current-issue\nsend index"_s});
    row("UTF-8 subject", u"mailto:user@example.org?subject=caf%C3%A9"_s,
        {u"user@example.org"_s, {}, {}, u"café"_s, {}});
    row("UTF-8 domain", u"mailto:user@%E7%B4%8D%E8%B1%86.example.org?subject=Test&body=NATTO"_s,
        {u"user@納豆.example.org"_s, {}, {}, u"Test"_s, u"NATTO"_s});
    row("unknown header ignored", u"mailto:unlikely%3Faddress@example.com?blat=foop"_s,
        {u"unlikely?address@example.com"_s, {}, {}, {}, {}});
    row("escaped & and %",
        u"mailto:Mike%26family@example.org?In-Reply-To=%3C3469A91.D10AF4C@example.com%3E"_s,
        {u"Mike&family@example.org"_s, {}, {}, {}, {}});
    row("quoted local part keeps its comma", u"mailto:%22Rossi,%20Mario%22@example.org,b@example.org"_s,
        {u"\"Rossi, Mario\"@example.org, b@example.org"_s, {}, {}, {}, {}});
    // What links in the wild do.
    row("names in any case, repeated cc, bcc", u"MAILTO:a@x.it?CC=b@x.it&Subject=Ciao&cc=c@x.it&BCC=d@x.it"_s,
        {u"a@x.it"_s, u"b@x.it, c@x.it"_s, u"d@x.it"_s, u"Ciao"_s, {}});
    row("first subject counts", u"mailto:a@x.it?subject=uno&subject=due"_s,
        {u"a@x.it"_s, {}, {}, u"uno"_s, {}});
    row("empty link", u"mailto:"_s, {{}, {}, {}, {}, {}});
    row("lone CR and trailing spaces in body", u"mailto:?body=a%0Db%0A%20%20"_s,
        {{}, {}, {}, {}, u"a\nb\n  "_s});
    row("comma inside a comment", u"mailto:a@x.it%20(Rossi,%20Mario),b@x.it"_s,
        {u"a@x.it (Rossi, Mario), b@x.it"_s, {}, {}, {}, {}});
    row("escaped quote inside quotes", u"mailto:%22a%5C%22,b%22@x.it,c@x.it"_s,
        {u"\"a\\\",b\"@x.it, c@x.it"_s, {}, {}, {}, {}});
    row("tabs are text", u"mailto:a@x.it?subject=uno%09due&body=%09rientro"_s,
        {u"a@x.it"_s, {}, {}, u"uno\tdue"_s, u"\trientro"_s});
    row("control character in an ignored field", u"mailto:a@x.it?x-note=%00"_s,
        {u"a@x.it"_s, {}, {}, {}, {}});
    broken("broken escape", u"mailto:a@x.it?subject=100%"_s);
    broken("escape not hex", u"mailto:a@x.it?body=%G1"_s);
    broken("escape in path", u"mailto:a%2@x.it"_s);
    broken("not UTF-8", u"mailto:a@x.it?subject=caf%E9"_s);
    broken("not a mailto link", u"http://example.org/"_s);
    // Control characters would show as a space or nothing, then stop the send.
    broken("NUL in subject", u"mailto:a@x.it?subject=uno%00due"_s);
    broken("BEL in path", u"mailto:a%07@x.it"_s);
    broken("ESC in to", u"mailto:?to=a@x.it%1B"_s);
    broken("DEL in cc", u"mailto:a@x.it?cc=b%7F@x.it"_s);
    broken("line break in bcc", u"mailto:a@x.it?bcc=b@x.it%0D%0ABcc:c@x.it"_s);
    broken("line break in subject", u"mailto:a@x.it?subject=uno%0Adue"_s);
    broken("NUL in body", u"mailto:a@x.it?body=uno%00due"_s);
    broken("form feed in body", u"mailto:a@x.it?body=uno%0Cdue"_s);
}

void TestMailtoLink::parse()
{
    QFETCH(QString, link);
    QFETCH(bool, valid);
    QFETCH(QStringList, expected);

    const std::optional<MailtoLink> parsed = MailtoLink::parse(link);
    QCOMPARE(parsed.has_value(), valid);
    if (!valid)
        return;
    const MailFields &fields = parsed->fields;
    QCOMPARE((QStringList{fields.recipient, fields.cc, fields.bcc, fields.subject, fields.body}), expected);
}

QTEST_GUILESS_MAIN(TestMailtoLink)
#include "tst_mailtolink.moc"
