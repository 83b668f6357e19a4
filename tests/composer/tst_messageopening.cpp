// Message files opened as new drafts, by each way in: the command line, a
// drop on the window or on Allegati, "Apri un messaggio…" in the body's
// menu; a window holding a message being written is never overwritten.
#include "tests/support/Form1Fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMessageOpening : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void open_data();
    void open();
};

namespace {

void drop(QWidget *target, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}

// The body's own menu, with the entry at its top.
void chooseFromBodyMenu(QPlainTextEdit *body)
{
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              body->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(body->viewport(), &request);
    auto *menu = body->findChild<QMenu *>();
    QVERIFY(menu);
    QCOMPARE(menu->actions().first()->text(), u"Apri un messaggio…"_s);
    menu->actions().first()->trigger();
    menu->close();
}

// A message as a copy in Inviati is, without an extension; damaged: cut
// before its last boundary.
void writeMessage(const QString &path, bool damaged)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "Date: Mon, 4 Mar 2024 10:00:00 +0100\r\nFrom: Zoe <zoe@example.org>\r\nTo: anna@example.org\r\n"
        "Subject: Dal file\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
        "Content-Type: text/plain\r\n\r\nCiao.\r\n--b\r\n"
        "Content-Disposition: attachment; filename=a.txt\r\n\r\nallegato\r\n");
    if (!damaged)
        file.write("--b--\r\n");
}

} // namespace

void TestMessageOpening::open_data()
{
    QTest::addColumn<QString>("route"); // argument, drop (on Allegati, twice, then type), menu
    QTest::addColumn<bool>("typed");    // the window holds a message being written
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("outcome"); // "filled", "new window", "attached", "box"

    QTest::newRow("argument") << "argument" << false << false << "filled";
    QTest::newRow("argument, damaged") << "argument" << false << true << "box";
    QTest::newRow("drop on an empty window") << "drop" << false << false << "filled";
    QTest::newRow("drop on a message being written") << "drop" << true << false << "new window";
    QTest::newRow("typed into while read") << "drop, then type" << false << false << "new window";
    QTest::newRow("a second drop while the first is read") << "drop twice" << false << false << "filled";
    QTest::newRow("drop, damaged") << "drop" << false << true << "box";
    QTest::newRow("drop on Allegati") << "drop on Allegati" << false << false << "attached";
    QTest::newRow("menu on an empty window") << "menu" << false << false << "filled";
    QTest::newRow("menu on a message being written") << "menu" << true << false << "new window";
}

void TestMessageOpening::open()
{
    QFETCH(QString, route);
    QFETCH(bool, typed);
    QFETCH(bool, damaged);
    QFETCH(QString, outcome);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"dati"_s)));
    const QString path = dir.filePath(u"1700000000.M1P2Q3.host:2,S"_s);
    writeMessage(path, damaged);
    Form1Fixture f;
    QStringList windows;
    f.form->setMessageWindowOpener([&windows](const QString &opened) { windows << opened; });
    if (typed)
        f.body()->setPlainText(u"Un messaggio a metà"_s);
    if (route == u"argument")
        f.form->openArguments({path});
    f.ui.chosenFiles = {path};
    if (route == u"menu")
        chooseFromBodyMenu(f.body());
    else if (route != u"argument")
        drop(route.startsWith(u"drop on A") ? f.named(u"txtAllegati"_s) : f.body()->viewport(), path);
    if (route == u"drop twice")
        drop(f.body()->viewport(), path);
    if (route == u"drop, then type")
        f.body()->setPlainText(u"Un messaggio a metà"_s);

    const auto subject = [&f] { return qobject_cast<QLineEdit *>(f.named(u"txtOggetto"_s))->text(); };
    const auto attachments = [&f] { return qobject_cast<QLineEdit *>(f.named(u"txtAllegati"_s))->text(); };
    if (outcome == u"filled") {
        QTRY_COMPARE(subject(), u"Dal file"_s);
        QCOMPARE(f.body()->toPlainText(), u"Ciao."_s);
        QCOMPARE(QFileInfo(attachments()).fileName(), u"a.txt"_s);
        QVERIFY(attachments().startsWith(dir.filePath(u"dati/korvane-client/Allegati/"_s)));
    } else if (outcome == u"new window") {
        QTRY_COMPARE(windows, QStringList{path});
        QCOMPARE(f.body()->toPlainText(), u"Un messaggio a metà"_s);
    } else if (outcome == u"attached") {
        QTRY_COMPARE(attachments(), path);
    } else {
        QTRY_COMPARE(f.ui.calls.size(), qsizetype(1));
        QVERIFY2(f.ui.calls.first().text.contains(u"finisce a metà"_s), qPrintable(f.ui.calls.first().text));
        QCOMPARE(subject(), QString());
        QVERIFY(!QFileInfo::exists(dir.filePath(u"dati/korvane-client/Allegati"_s))
                || QDir(dir.filePath(u"dati/korvane-client/Allegati"_s)).isEmpty());
    }
    QCOMPARE(windows, outcome == u"new window" || route == u"drop twice" ? QStringList{path} : QStringList{});
}

QTEST_MAIN(TestMessageOpening)
#include "tst_messageopening.moc"
