// The component's text handling, away from the network: what it accepts in
// its fields and what it puts in header lines.
#include "common/AddressToken.h"
#include "common/AttachmentList.h"
#include "mail/message/AddressList.h"
#include "mail/message/ByteDigest.h"
#include "mail/message/HeaderEncoder.h"
#include "mail/message/TextCharset.h"
#include "mail/message/TransferEncoding.h"
#include "mail/smtp/ServerAddress.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// Undoes folding and RFC 2047 B-encoding the way a mail reader does, for the
// header shapes this component writes.
QString readBack(const QByteArray &header)
{
    QByteArray value = header.mid(header.indexOf(':') + 1);
    value.replace("\r\n", "");
    value = value.trimmed();
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?=( (?==\\?))?"));
    QByteArray utf8;
    qsizetype pos = 0;
    const QString text = QString::fromLatin1(value);
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        utf8 += value.mid(pos, m.capturedStart() - pos);
        utf8 += QByteArray::fromBase64(m.captured(1).toLatin1());
        pos = m.capturedEnd();
    }
    utf8 += value.mid(pos);
    return QString::fromUtf8(utf8);
}

// wordsMayPass: a word longer than a line may stand alone on a longer one.
void checkWireShape(const QByteArray &header, bool wordsMayPass = true)
{
    QVERIFY(header.endsWith("\r\n"));
    for (const QByteArray &line : header.chopped(2).split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        QVERIFY2(l.size() <= 998, l.left(40).constData());
        // RFC 2047's 76 columns; only a word longer than that may pass, alone.
        const bool loneWord = wordsMayPass && l.startsWith(' ') && !l.mid(1).contains(' ');
        QVERIFY2(l.size() <= 76 || loneWord, l.constData());
        QVERIFY2(!l.trimmed().isEmpty(), "a folded line of white space only");
        for (char c : l)
            QVERIFY(c >= 0x20 && c < 0x7f);
    }
}

} // namespace

class TestMailFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A table: its rows read best side by side.
    // NOLINTNEXTLINE(readability-function-size)
    void addressList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("badItem");
        QTest::newRow("bare") << "a@example.it" << QStringList{"a@example.it"} << QStringList{""}
                              << QString();
        QTest::newRow("commas and semicolons")
            << " a@x.it, b@y.it ;c@z.it;; " << QStringList{"a@x.it", "b@y.it", "c@z.it"}
            << QStringList{"", "", ""} << QString();
        QTest::newRow("quoted name with separators")
            << "\"Rossi, Mario; @casa\" <m.rossi@example.it>, Anna <anna@example.org>"
            << QStringList{"m.rossi@example.it", "anna@example.org"}
            << QStringList{"Rossi, Mario; @casa", "Anna"} << QString();
        QTest::newRow("escaped quote") << "\"Il \\\"capo\\\"\" <capo@x.it>" << QStringList{"capo@x.it"}
                                       << QStringList{"Il \"capo\""} << QString();
        QTest::newRow("non-ASCII name and domain")
            << "Bellè <b@perché.it>" << QStringList{"b@xn--perch-fsa.it"} << QStringList{"Bellè"}
            << QString();
        QTest::newRow("address literal")
            << "x@[127.0.0.1]" << QStringList{"x@[127.0.0.1]"} << QStringList{""} << QString();
        QTest::newRow("IPv6 literal")
            << "x@[IPv6:2001:db8::1]" << QStringList{"x@[IPv6:2001:db8::1]"} << QStringList{""} << QString();
        QTest::newRow("IPv6 literal ending in IPv4")
            << "x@[IPv6:::ffff:10.0.0.1]" << QStringList{"x@[IPv6:::ffff:10.0.0.1]"} << QStringList{""}
            << QString();
        // RFC 5321 literals: four decimal parts, the IPv6 tag, no zone.
        QTest::newRow("shortened IPv4 literal")
            << "x@[127.1]" << QStringList{} << QStringList{} << "x@[127.1]";
        QTest::newRow("IPv4 part over 255")
            << "x@[10.0.0.256]" << QStringList{} << QStringList{} << "x@[10.0.0.256]";
        QTest::newRow("IPv6 without its tag") << "x@[::1]" << QStringList{} << QStringList{} << "x@[::1]";
        QTest::newRow("IPv4 under the IPv6 tag")
            << "x@[IPv6:10.0.0.1]" << QStringList{} << QStringList{} << "x@[IPv6:10.0.0.1]";
        QTest::newRow("IPv6 literal with a zone")
            << "x@[IPv6:fe80::1%eth0]" << QStringList{} << QStringList{} << "x@[IPv6:fe80::1%eth0]";
        QTest::newRow("IPv6 literal with two ::")
            << "x@[IPv6:1::2::3]" << QStringList{} << QStringList{} << "x@[IPv6:1::2::3]";
        QTest::newRow("empty") << "  " << QStringList{} << QStringList{} << QString();
        QTest::newRow("no at") << "a@x.it, mario" << QStringList{} << QStringList{} << "mario";
        QTest::newRow("space inside")
            << "mario rossi@x.it" << QStringList{} << QStringList{} << "mario rossi@x.it";
        QTest::newRow("unclosed angle")
            << "Mario <m@x.it" << QStringList{} << QStringList{} << "Mario <m@x.it";
        QTest::newRow("text after angle")
            << "<m@x.it> extra" << QStringList{} << QStringList{} << "<m@x.it> extra";
        QTest::newRow("double dot") << "m..r@x.it" << QStringList{} << QStringList{} << "m..r@x.it";
        QTest::newRow("non-ASCII local part")
            << "màrio@x.it" << QStringList{} << QStringList{} << "màrio@x.it";
        QTest::newRow("unquoted @ in name") << "zoe@x.it RCPT TO:<evil@y.it>" << QStringList{}
                                            << QStringList{} << "zoe@x.it RCPT TO:<evil@y.it>";
        QTest::newRow("quoted @ and : in name") << "\"zoe@x.it: ufficio\" <z@x.it>" << QStringList{"z@x.it"}
                                                << QStringList{"zoe@x.it: ufficio"} << QString();
        QTest::newRow("angle injection")
            << "<a@x.it>b@y.it>" << QStringList{} << QStringList{} << "<a@x.it>b@y.it>";
    }
    void addressList()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, addresses);
        QFETCH(QStringList, names);
        QFETCH(QString, badItem);
        const AddressListResult r = parseAddressList(text);
        QCOMPARE(r.badItem, badItem);
        QStringList gotAddresses;
        QStringList gotNames;
        for (const Mailbox &m : r.mailboxes) {
            gotAddresses << m.address;
            gotNames << m.name;
        }
        QCOMPARE(gotAddresses, addresses);
        QCOMPARE(gotNames, names);
    }

    void addressTokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("tokens"); // kind, '!' when left open, ':' and the value
        QTest::newRow("name and angle address")
            << "Mario <m@x.it>" << QStringList{"T:Mario ", "S:<", "T:m", "S:@", "T:x.it", "S:>"};
        QTest::newRow("quoted with escapes and specials")
            << "\"a\\\"b, (c)\" <q@x>"
            << QStringList{"Q:a\"b, (c)", "T: ", "S:<", "T:q", "S:@", "T:x", "S:>"};
        QTest::newRow("nested comment holding a quote")
            << "a(b(\")c)d" << QStringList{"T:a", "C:(b(\")c)", "T:d"};
        QTest::newRow("quote left open by an escape") << "x \"ab\\\"" << QStringList{"T:x ", "Q!:ab\""};
        QTest::newRow("comment left open") << "x (a(b)" << QStringList{"T:x ", "C!:(a(b)"};
        QTest::newRow("stray parenthesis and backslash")
            << "a)b\\c;" << QStringList{"T:a)b", "S:\\", "T:c", "S:;"};
    }
    void addressTokens()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, tokens);
        const QList<AddressToken> got = tokenizeAddresses(text);
        QStringList described;
        QString rejoined;
        for (const AddressToken &t : got) {
            const char kind = "TSQC"[int(t.kind)];
            described << QLatin1Char(kind) + QString(t.closed ? "" : "!") + u':' + t.value();
            rejoined += t.raw;
        }
        QCOMPARE(described, tokens);
        QCOMPARE(rejoined, text);
    }

    void serverAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url"); // empty: refused
        // The port is used as it is; otherwise the component chooses one.
        QTest::addColumn<bool>("typed");
        QTest::newRow("host") << "smtp.example.it"
                              << "smtp://smtp.example.it:25" << false;
        QTest::newRow("host and port") << " mail.x.it:587 "
                                       << "smtp://mail.x.it:587" << true;
        QTest::newRow("port 465 is TLS") << "mail.x.it:465"
                                         << "smtps://mail.x.it:465" << true;
        QTest::newRow("smtps default port") << "smtps://mail.x.it"
                                            << "smtps://mail.x.it:465" << true;
        QTest::newRow("smtps other port") << "SMTPS://mail.x.it:2465/"
                                          << "smtps://mail.x.it:2465" << true;
        QTest::newRow("smtp scheme") << "smtp://127.0.0.1:2525"
                                     << "smtp://127.0.0.1:2525" << true;
        QTest::newRow("ipv6 with port") << "[::1]:2525"
                                        << "smtp://[::1]:2525" << true;
        QTest::newRow("bare ipv6") << "::1"
                                   << "smtp://[::1]:25" << false;
        QTest::newRow("idn host") << "posta.perché.it"
                                  << "smtp://posta.xn--perch-fsa.it:25" << false;
        QTest::newRow("smtp scheme, no port") << "smtp://mail.x.it"
                                              << "smtp://mail.x.it:25" << false;
        QTest::newRow("empty") << ""
                               << "" << false;
        QTest::newRow("other scheme") << "http://x.it"
                                      << "" << false;
        QTest::newRow("port zero") << "x.it:0"
                                   << "" << false;
        QTest::newRow("port too big") << "x.it:65536"
                                      << "" << false;
        QTest::newRow("port not a number") << "x.it:25a"
                                           << "" << false;
        QTest::newRow("empty port") << "x.it:"
                                    << "" << false;
        QTest::newRow("path") << "smtp://x.it/evil"
                              << "" << false;
        QTest::newRow("user info") << "user@x.it"
                                   << "" << false;
        QTest::newRow("space") << "x .it"
                               << "" << false;
        QTest::newRow("bad ipv6") << "[::g]:25"
                                  << "" << false;
    }
    void serverAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, url);
        QFETCH(bool, typed);
        const auto server = parseServerAddress(text);
        QCOMPARE(server ? server->url() : QString(), url);
        QCOMPARE(server && server->portTyped, typed);
    }

    void attachmentList()
    {
        QCOMPARE(parseAttachmentList(" /tmp/a b.pdf ; ;/tmp/c.txt;"),
                 (QStringList{"/tmp/a b.pdf", "/tmp/c.txt"}));
        QCOMPARE(parseAttachmentList(";;"), QStringList());
    }

    // The same bytes in pieces of every size must be judged alike: a
    // sequence cut between two pieces is not an error, one cut by the end is.
    void textCharset_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charset"); // empty: none fits
        QTest::newRow("empty") << QByteArray() << "us-ascii";
        QTest::newRow("ASCII") << QByteArray("riga\tuno\r\n\f") << "us-ascii";
        QTest::newRow("UTF-8 of 2, 3 and 4 bytes") << QByteArray("città € \xF0\x9F\x98\x80.") << "UTF-8";
        QTest::newRow("UTF-8 cut at the end") << QByteArray("citt\xC3") << "windows-1252";
        QTest::newRow("a surrogate in UTF-8 form") << QByteArray("a\xED\xA0\x80"
                                                                 "b")
                                                   << "windows-1252";
        QTest::newRow("Windows-1252 after ASCII")
            << QByteArray("tanto testo, poi citt\xE0 \x80") << "windows-1252";
        QTest::newRow("a byte Windows-1252 leaves undefined") << QByteArray("citt\xE0 \x81") << "";
        QTest::newRow("a control character after UTF-8") << QByteArray("città\x01") << "";
        QTest::newRow("UTF-16 byte-order mark") << QByteArray("\xFF\xFE"
                                                              "a\0\x01\0",
                                                              6)
                                                << "UTF-16";
        QTest::newRow("DEL") << QByteArray("a\x7f") << "";
    }

    void textCharset()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charset);
        for (qsizetype piece = 1; piece <= std::max<qsizetype>(bytes.size(), 1); ++piece) {
            TextCharset judge;
            for (qsizetype at = 0; at < bytes.size(); at += piece)
                judge.feed(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
            QCOMPARE(QString::fromLatin1(judge.charset().value_or(QByteArray())), charset);
        }
    }

    // What a send read and what is read again to check it come in pieces of
    // other sizes: only the bytes may decide.
    void byteDigest_data()
    {
        QTest::addColumn<qsizetype>("size");
        for (const qsizetype size : {0, 1, 65535, 65536, 65537, 3 * 65536 + 7})
            QTest::addRow("%lld bytes", qlonglong(size)) << size;
    }

    void byteDigest()
    {
        QFETCH(qsizetype, size);
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char(i * 31 + (i >> 8));
        const auto digest = [](QByteArrayView all, qsizetype piece) {
            ByteDigest d;
            for (qsizetype at = 0; at < all.size(); at += piece)
                d.add(all.sliced(at, std::min(piece, all.size() - at)));
            return d.value();
        };
        const size_t whole = digest(bytes, std::max<qsizetype>(size, 1));
        for (const qsizetype piece : {1, 1000, 65536, 70000})
            QCOMPARE(digest(bytes, piece), whole);
        for (const qsizetype at : {qsizetype(0), size / 2, size - 1}) {
            if (size == 0)
                break;
            QByteArray changed = bytes;
            changed[at] = char(~changed[at]);
            QVERIFY(digest(changed, 4096) != whole);
        }
    }

    void unstructured_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "Riunione di lunedì alle 10";
        QTest::newRow("ascii") << "Meeting notes";
        QTest::newRow("long words") << QString("parola ").repeated(60).trimmed();
        QTest::newRow("one huge word") << QString(10000, u'x');
        QTest::newRow("double spaces") << "a  b   c";
        QTest::newRow("looks encoded") << "=?UTF-8?B?YQ==?=";
        QTest::newRow("emoji across chunks") << QString("è😀").repeated(40);
        QTest::newRow("tab") << "a\tb";
    }
    void unstructured()
    {
        QFETCH(QString, value);
        const QByteArray header = unstructuredHeader("Subject", value);
        checkWireShape(header);
        QCOMPARE(readBack(header), value);
    }

    void addressHeaderNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("atoms") << "Mario Rossi";
        QTest::newRow("specials") << "Rossi, Mario (ufficio)";
        QTest::newRow("quotes and backslash") << "a \"b\" \\c";
        QTest::newRow("non-ASCII") << "Anna Bellè";
        QTest::newRow("long") << QString("Nome lunghissimo ").repeated(30).trimmed();
        QTest::newRow("long quoted") << QString("Rossi, Mario (ufficio) ").repeated(5).trimmed();
    }
    void addressHeaderNames()
    {
        QFETCH(QString, name);
        const QByteArray header = addressHeader("To", {{name, "a@x.it"}, {QString(), "b@y.it"}});
        checkWireShape(header);
        QVERIFY(header.contains("<a@x.it>,"));
        QVERIFY(header.trimmed().endsWith(" b@y.it"));
    }

    // An addr-spec cannot be encoded: a quoted local part folds at its spaces,
    // never inside a quoted pair, and a run of spaces stays on the first line.
    void addressHeaderQuotedLocalPart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("space") << ""
                               << "\"a, b\"" << QByteArray("To: \"a,");
        QTest::newRow("with a name") << "Nome"
                                     << "\"a b\"" << QByteArray("To: Nome <\"a");
        QTest::newRow("run of spaces") << ""
                                       << "\"a  b\"" << QByteArray("To: \"a ");
        QTest::newRow("escaped space") << ""
                                       << "\"a\\ b c\"" << QByteArray("To: \"a\\ b");
        QTest::newRow("escaped space only") << ""
                                            << "\"a\\ b\"" << QByteArray("To:");
    }
    void addressHeaderQuotedLocalPart()
    {
        QFETCH(QString, name);
        QFETCH(QString, local);
        QFETCH(QByteArray, firstLine);
        const QString address
            = local + u'@' + QString(40, u'd') + u'.' + QString(40, u'd') + QStringLiteral(".it");
        const QByteArray header = addressHeader("To", {{name, address}});
        QCOMPARE(header.left(header.indexOf("\r\n")), firstLine);
        QCOMPARE(readBack(header), name.isEmpty() ? address : name + " <" + address + '>');
    }

    void disposition_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << "report.pdf" << QByteArray("filename=\"report.pdf\"");
        QTest::newRow("quote") << "a\"b.txt" << QByteArray("filename*=UTF-8''a%22b.txt");
        QTest::newRow("non-ASCII") << "fìle.txt" << QByteArray("filename*=UTF-8''f%C3%ACle.txt");
        QTest::newRow("long") << QString(100, u'a') << QByteArray("filename*1*=aaaa");
    }
    void disposition()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);
        const QByteArray header = attachmentDisposition(name);
        checkWireShape(header, false);
        QVERIFY2(header.contains(expected), header.constData());
    }

    void quotedPrintableBody_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("line ends") << "a\nb\rc\r\nd" << QByteArray("a\r\nb\r\nc\r\nd");
        QTest::newRow("lone dot") << "x\n.\ny" << QByteArray("x\r\n=2E\r\ny");
        QTest::newRow("trailing space") << "a \nb\t" << QByteArray("a=20\r\nb=09");
        QTest::newRow("equals and UTF-8") << "1=1 è" << QByteArray("1=3D1 =C3=A8");
        QTest::newRow("NUL") << QString(QChar(0)) << QByteArray("=00");
        QTest::newRow("From opening a line")
            << "From me\nFrom: you\n From x\nFrom" << QByteArray("=46rom me\r\nFrom: you\r\n From x\r\nFrom");
        QTest::newRow("From after a soft break")
            << QString(75, u'a') + "From x" << QByteArray(75, 'a') + "=\r\n=46rom x";
    }
    void quotedPrintableBody()
    {
        QFETCH(QString, body);
        QFETCH(QByteArray, expected);
        QCOMPARE(quotedPrintable(body), expected);
    }

    void quotedPrintableLongLine()
    {
        const QByteArray qp = quotedPrintable(QString(2000, u'è') + QString(2000, u'.'));
        for (const QByteArray &line : qp.split('\n'))
            QVERIFY(line.size() <= 77); // 76 plus the CR
    }

    void base64Size()
    {
        for (qint64 n : {0, 1, 56, 57, 58, 114, 1000, 65536}) {
            QByteArray out;
            appendBase64Lines(out, QByteArray(n, 'z'));
            QCOMPARE(qint64(out.size()), base64EncodedSize(n));
        }
    }
};

QTEST_GUILESS_MAIN(TestMailFormat)
#include "tst_mailformat.moc"
