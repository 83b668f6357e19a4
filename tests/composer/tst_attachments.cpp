#include "composer/LaunchArguments.h"
#include "tests/support/Form1Fixture.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using Dialog = FakeMessageUi::Call;

class TestAttachments : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void filesOffered_data();
    void filesOffered();

private:
    QString expanded(QString text) const { return text.replace(u"%D"_s, m_dir.path()); }
    // The bytes of a name as the file system holds them: <E9> is the byte
    // 0xE9 on its own, which is not UTF-8.
    QByteArray bytes(const QString &text) const { return expanded(text).toUtf8().replace("<E9>", "\xE9"); }
    static void chooseFromMenu();

    QTemporaryDir m_dir;
};

void TestAttachments::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const QString &name : {u"a.pdf"_s, u"b c.txt"_s, u"x;y.txt"_s}) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(m_dir.path()).mkdir(u"cartella"_s));
    // Two names a decoder would make one: Latin-1 bytes, and U+FFFD itself.
    QFile sibling(m_dir.filePath(u"caf\uFFFD.txt"_s));
    QVERIFY(sibling.open(QIODevice::WriteOnly));
    const int fd = ::open(bytes(u"%D/caf<E9>.txt"_s).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
}

// Picks "Aggiungi allegati…" from the context menu once it is open, by keyboard.
void TestAttachments::chooseFromMenu()
{
    QTimer::singleShot(0, qApp, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu) {
            chooseFromMenu();
            return;
        }
        QAction *choose = menu->actions().value(0);
        QCOMPARE(choose->text(), u"Aggiungi allegati…"_s);
        menu->setActiveAction(choose);
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestAttachments::filesOffered_data()
{
    QTest::addColumn<QString>("via"); // Allegati, window, body: a drop; dialog; arguments
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("offered"); // %D is the folder of the test's files
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("refused"); // the message box's lines after the first

    const QString none;
    QTest::newRow("two files on Allegati")
        << u"Allegati"_s << none << QStringList{u"%D/a.pdf"_s, u"%D/b c.txt"_s} << u"%D/a.pdf; %D/b c.txt"_s
        << none;
    QTest::newRow("after what is typed")
        << u"Allegati"_s << u"/x.pdf"_s << QStringList{u"%D/a.pdf"_s} << u"/x.pdf; %D/a.pdf"_s << none;
    QTest::newRow("on the window, after a separator")
        << u"window"_s << u"/x.pdf;  "_s << QStringList{u"%D/a.pdf"_s} << u"/x.pdf; %D/a.pdf"_s << none;
    QTest::newRow("on the body") << u"body"_s << none << QStringList{u"%D/b c.txt"_s} << u"%D/b c.txt"_s
                                 << none;
    QTest::newRow("already listed") << u"Allegati"_s << u"%D/a.pdf "_s
                                    << QStringList{u"%D/a.pdf"_s, u"%D/b c.txt"_s, u"%D/b c.txt"_s}
                                    << u"%D/a.pdf; %D/b c.txt"_s << none;
    QTest::newRow("a folder") << u"Allegati"_s << u"/x.pdf"_s << QStringList{u"%D/a.pdf"_s, u"%D/cartella"_s}
                              << u"/x.pdf"_s << u"%D/cartella: è una cartella, non un file."_s;
    QTest::newRow("a web address") << u"window"_s << none
                                   << QStringList{u"%D/a.pdf"_s, u"https://example.org/a.pdf"_s} << none
                                   << u"https://example.org/a.pdf: non è un file locale."_s;
    QTest::newRow("a name with ;") << u"Allegati"_s << none << QStringList{u"%D/x;y.txt"_s} << none
                                   << u"%D/x;y.txt: il nome contiene \";\", che in Allegati separa i file."_s;
    QTest::newRow("dialog: two files")
        << u"dialog"_s << u"/x.pdf"_s << QStringList{u"%D/a.pdf"_s, u"%D/b c.txt"_s}
        << u"/x.pdf; %D/a.pdf; %D/b c.txt"_s << none;
    QTest::newRow("dialog: a name with ;")
        << u"dialog"_s << u"/x.pdf"_s << QStringList{u"%D/x;y.txt"_s} << u"/x.pdf"_s
        << u"%D/x;y.txt: il nome contiene \";\", che in Allegati separa i file."_s;
    QTest::newRow("dialog cancelled") << u"dialog"_s << u"/x.pdf"_s << QStringList() << u"/x.pdf"_s << none;
    QTest::newRow("arguments: path and file URL")
        << u"arguments"_s << none << QStringList{u"%D/a.pdf"_s, u"file://%D/b%20c.txt"_s}
        << u"%D/a.pdf; %D/b c.txt"_s << none;
    QTest::newRow("arguments: a missing file")
        << u"arguments"_s << none << QStringList{u"%D/a.pdf"_s, u"%D/manca.pdf"_s} << none
        << u"%D/manca.pdf: non esiste."_s;

    // file: URLs as RFC 8089 reads them, and names that are not text, given
    // as arguments and dropped alike.
    const QString notLocal = u": non è un file locale."_s;
    const QString notText = u"%D/caf\uFFFD.txt: il nome non è leggibile come testo."_s;
    for (const QString &way : {u"arguments"_s, u"Allegati"_s}) {
        // The name is copied by newRow() while the bytes still live.
        const auto row = [&way](const char *name) { return (way + u": "_s + QLatin1String(name)).toUtf8(); };
        QTest::newRow(row("file://localhost/path").constData())
            << way << none << QStringList{u"file://localhost%D/a.pdf"_s} << u"%D/a.pdf"_s << none;
        QTest::newRow(row("file:/path, no host").constData())
            << way << none << QStringList{u"file:%D/a.pdf"_s} << u"%D/a.pdf"_s << none;
        QTest::newRow(row("file://otherhost/path").constData())
            << way << none << QStringList{u"file://otherhost%D/a.pdf"_s} << none
            << u"file://otherhost%D/a.pdf"_s + notLocal;
        QTest::newRow(row("file://tmp/x").constData())
            << way << none << QStringList{u"file://tmp/x"_s} << none << u"file://tmp/x"_s + notLocal;
        QTest::newRow(row("a name not UTF-8, beside one with U+FFFD").constData())
            << way << none << QStringList{u"%D/caf<E9>.txt"_s} << none << notText;
        QTest::newRow(row("the name with U+FFFD").constData())
            << way << none << QStringList{u"%D/caf\uFFFD.txt"_s} << u"%D/caf\uFFFD.txt"_s << none;
    }
    // A dialog returns names as text: which of the two was chosen cannot be told.
    QTest::newRow("dialog: a name shown with U+FFFD, two files behind it")
        << u"dialog"_s << none << QStringList{u"%D/caf\uFFFD.txt"_s} << none << notText;
    QStringList missing;
    QStringList missingLines;
    for (int i = 0; i < 25; ++i) {
        missing << u"%D/manca%1.pdf"_s.arg(i);
        missingLines << missing.last() + u": non esiste."_s;
    }
    QTest::newRow("25 refused: 20 listed")
        << u"window"_s << none << missing << none << (missingLines.first(20) << u"… e altri 5"_s).join(u'\n');
}

namespace {

// Drags urls over target and drops them there, as a file manager does.
void dropOn(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions offeredActions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(2, 2), offeredActions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), offeredActions, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction); // as a file manager proposes with Shift held
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction); // never Move: the file stays where it is
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

} // namespace

void TestAttachments::filesOffered()
{
    QFETCH(QString, via);
    QFETCH(QString, before);
    QFETCH(QStringList, offered);
    QFETCH(QString, after);
    QFETCH(QString, refused);

    Form1Fixture f;
    f.form->show();
    QLineEdit *box = f.controls().attachments;
    box->setText(expanded(before));
    QStringList items;
    QList<QByteArray> arguments{"korvane-client"};
    QList<QUrl> urls;
    for (const QString &item : std::as_const(offered)) {
        items.append(expanded(item));
        arguments.append(bytes(item));
        urls.append(item.startsWith(u"file:"_s) || item.contains(u"://"_s)
                        ? QUrl(items.last())
                        : QUrl::fromEncoded("file://" + arguments.last().toPercentEncoding("/")));
    }

    if (via == u"dialog"_s) {
        f.ui.chosenFiles = items;
        chooseFromMenu();
        QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(f.ui.calls.value(0).kind, Dialog::Kind::Files);
        QCOMPARE(f.ui.calls.takeFirst().text, u"Aggiungi allegati"_s);
    } else if (via == u"arguments"_s) {
        // As the program reads its command line: the bytes, not a decoding.
        std::vector<const char *> argv;
        for (const QByteArray &argument : std::as_const(arguments))
            argv.push_back(argument.constData());
        f.form->openArguments(LaunchArguments::commandLine(int(argv.size()), argv.data()).mid(1));
    } else {
        QWidget *target = via == u"window"_s ? f.form.get() : via == u"body"_s ? f.body()->viewport() : box;
        dropOn(target, urls);
        if (QTest::currentTestFailed())
            return;
    }

    QCOMPARE(box->text(), expanded(after.isNull() ? before : after));
    QVERIFY(f.body()->toPlainText().isEmpty());
    const QList<Dialog> expected{
        FakeMessageUi::message(u"Nessun file è stato aggiunto agli allegati.\n"_s + expanded(refused),
                               u"Attenzione!"_s, MessageUi::Icon::Information)};
    QCOMPARE(f.ui.calls, refused.isNull() ? QList<Dialog>() : expected);
}

QTEST_MAIN(TestAttachments)
#include "tst_attachments.moc"
