// Message files read back as a new draft's fields, through GMime: plain,
// multipart with attachments, encoded words and names, HTML only, and files
// damaged or built to hurt, which give a problem and leave nothing on disk.
#include "mail/open/MessageFile.h"
#include "tests/support/TestFiles.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMessageReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
};

namespace {

// Line ends as they travel.
QByteArray crlf(QByteArray text) { return text.replace("\n", "\r\n"); }

QByteArray nested(int depth)
{
    QByteArray open;
    QByteArray close;
    for (int i = 0; i < depth; ++i) {
        const QByteArray b = "b" + QByteArray::number(i);
        open += "Content-Type: multipart/mixed; boundary=" + b + "\n\n--" + b + "\n";
        close.prepend("--" + b + "--\n");
    }
    return "From: a@example.org\nSubject: giù\n" + open + "Content-Type: text/plain\n\nciao\n" + close;
}

} // namespace

// NOLINTNEXTLINE(readability-function-size)
void TestMessageReader::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("kind"); // what stands at the path (TestFiles::makeKind)
    // Sender, recipient, CC, BCC, subject, body, priority index; "html" last when the body is HTML.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("attachments"); // "name|content"
    QTest::addColumn<QString>("problem");         // a piece of the box's text; empty: opened

    const QString ok;
    const QString to = u"anna@example.org, \"Rossi, Bea\" <bea@example.org>"_s;
    QTest::newRow("plain, Latin-1 quoted-printable")
        << crlf("From: Mario Rossi <mario@example.it>\nTo: " + to.toUtf8()
                + "\nCc: carlo@example.org\n"
                  "Subject: Prova\nX-Priority: 1 (Highest)\nContent-Type: text/plain; charset=ISO-8859-1\n"
                  "Content-Transfer-Encoding: quoted-printable\n\nCitt=E0 e perch=E9.\nSeconda riga.\n")
        << "regular" << QStringList{"Mario Rossi <mario@example.it>",   to, "carlo@example.org", "", "Prova",
                                    "Città e perché.\nSeconda riga.\n", "0"}
        << QStringList() << ok;
    QTest::newRow("multipart with attachments, encoded words and names")
        << crlf("From: =?UTF-8?B?Tmljb2zDsg==?= <nico@example.it>\nTo: undisclosed-recipients:;\n"
                "Bcc: anna@example.org\nSubject: =?ISO-8859-1?Q?Fattura_di_luned=EC?= =?UTF-8?Q?_a=0Ab?=\n"
                "Importance: low\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"b1\"\n\n--b1\n"
                "Content-Type: multipart/alternative; boundary=\"b2\"\n\n--b2\n"
                "Content-Type: text/plain; charset=UTF-8\n\nEcco la fattura.\n--b2\n"
                "Content-Type: text/html; charset=UTF-8\n\n<p>Ecco la fattura.</p>\n--b2--\n--b1\n"
                "Content-Type: application/pdf\n"
                "Content-Disposition: attachment; filename*=UTF-8''fattura%20luned%C3%AC.pdf\n"
                "Content-Transfer-Encoding: base64\n\nJVBERi0xLjQK\n--b1\n"
                "Content-Type: text/plain\nContent-Disposition: attachment; filename=\"../../.bashrc\"\n\n"
                "echo preso\n--b1\n"
                "Content-Type: text/plain; "
                "name=\"=?UTF-8?Q?C:\\\\x=07y=0D=0A;z=E2=80=AE.txt?=\"\n\nriga\n--b1\n"
                "Content-Disposition: attachment; filename=\"...\"\n\nsenza nome\n--b1\n"
                "Content-Type: image/png\nContent-Transfer-Encoding: base64\n\niVBORw0KGgo=\n--b1--\n")
        << "regular"
        << QStringList{"Nicolò <nico@example.it>", "", "", "anna@example.org", "Fattura di lunedì a b",
                       "Ecco la fattura.",         "2"}
        << QStringList{"fattura lunedì.pdf|%PDF-1.4\n", "bashrc|echo preso", "xy_z.txt|riga",
                       "allegato|senza nome", u"allegato.png|"_s + QString::fromLatin1("\x89PNG\r\n\x1a\n")}
        << ok;
    QTest::newRow("HTML only")
        << crlf("From: a@example.org\nSubject: Solo HTML\nContent-Type: text/html; charset=UTF-8\n\n"
                "<p>Ciao <b>Anna</b></p>\n")
        << "regular"
        << QStringList{"a@example.org", "", "", "", "Solo HTML", "<p>Ciao <b>Anna</b></p>\n", "1", "html"}
        << QStringList() << ok;
    QTest::newRow("cut in the middle")
        << crlf("From: a@example.org\nSubject: x\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                "Content-Type: application/pdf\nContent-Transfer-Encoding: base64\n\nJVBERi0x")
        << "regular" << QStringList() << QStringList() << "finisce a metà";
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << "regular"
                               << QStringList() << QStringList() << "non è un messaggio";
    QTest::newRow("a diary") << QByteArray("Caro diario,\noggi niente.\n") << "regular" << QStringList()
                             << QStringList() << "non è un messaggio";
    QTest::newRow("empty") << QByteArray() << "regular" << QStringList() << QStringList() << "è vuoto";
    QByteArray parts = "From: a@example.org\nContent-Type: multipart/mixed; boundary=x\n\n";
    parts += QByteArray("--x\n\n").repeated(1000000) + "--x--\n";
    QTest::newRow("a million parts") << parts << "regular" << QStringList() << QStringList()
                                     << "troppe parti";
    QTest::newRow("parts nested 100 deep")
        << crlf(nested(100)) << "regular" << QStringList() << QStringList() << "annidate troppo";
    QTest::newRow("a header of 10 MB")
        << "From: a@example.org\nSubject: " + QByteArray("parola ").repeated(1500000) + "\n\ntesto\n"
        << "regular" << QStringList() << QStringList() << "intestazione";
    QTest::newRow("2 GB") << QByteArray("From: a@example.org\n\n") << "huge" << QStringList() << QStringList()
                          << "troppo grande";
    QTest::newRow("a FIFO") << QByteArray() << "FIFO" << QStringList() << QStringList()
                            << "non è un file normale";
    QTest::newRow("a link to /dev/zero")
        << QByteArray() << "link to /dev/zero" << QStringList() << QStringList() << "non è un file normale";
}

void TestMessageReader::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, kind);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, attachments);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"messaggio.eml"_s);
    QVERIFY(TestFiles::makeKind(path, kind, file, qint64(2) << 30));
    const QString root = dir.filePath(u"dati/Allegati"_s);

    const OpenedMessage opened = MessageFile::read(path, root);
    QVERIFY2(opened.problem.contains(problem), qPrintable(opened.problem));
    // Nothing made outside the draft's own folder, nothing left of a refusal.
    QDirIterator made(dir.filePath(u"dati"_s), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                      QDirIterator::Subdirectories);
    while (made.hasNext()) {
        const QString found = made.next();
        QVERIFY2(problem.isEmpty() && (found == root || found.startsWith(opened.folder)), qPrintable(found));
    }
    if (!problem.isEmpty())
        return;
    const MailFields &f = opened.fields;
    QCOMPARE(
        (QStringList{f.sender, f.recipient, f.cc, f.bcc, f.subject, f.body, QString::number(f.priorityIndex)}
         << (opened.bodyIsHtml ? QStringList{u"html"_s} : QStringList())),
        fields);
    QStringList saved;
    for (const QString &attached : f.attachments.split(u"; "_s, Qt::SkipEmptyParts)) {
        QCOMPARE(QFileInfo(attached).path(), opened.folder);
        saved << QFileInfo(attached).fileName() + u'|' + QString::fromLatin1(TestFiles::readFile(attached));
    }
    QCOMPARE(saved, attachments);
}

QTEST_GUILESS_MAIN(TestMessageReader)
#include "tst_messagereader.moc"
