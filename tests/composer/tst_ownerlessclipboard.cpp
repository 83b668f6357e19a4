// Pastes into every box of the window on an X server of the test's own,
// from a clipboard that xclip holds and from one whose owner, xclip, has
// exited (no clipboard manager takes it over): the text goes in whole, or
// nothing does; the program lives on.
#include "tests/support/Form1Fixture.h"
#include "tests/support/PasteRoutes.h"

#include <QClipboard>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Xvfb on a display number it picks itself (-displayfd), as two runs of the
// test may share the machine. Started before the application, which
// connects to its display once, when it is made.
class XServer
{
public:
    XServer()
    {
        const QString program = QStandardPaths::findExecutable(u"Xvfb"_s);
        if (program.isEmpty())
            return;
        // -terminate: it ends with its last client, should this test end
        // without its destructors (a crash is what it looks for).
        m_process.start(program,
                        {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s,
                         u"800x600x24"_s, u"-terminate"_s});
        // The number comes once the server takes connections.
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(30000))
                break;
        }
        const QByteArray number = m_process.readLine().trimmed();
        if (!number.isEmpty())
            m_display = ':' + number;
        else
            m_error = QString::fromLocal8Bit(m_process.readAllStandardError());
    }
    ~XServer()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }
    bool installed() const { return !m_process.program().isEmpty(); }
    QByteArray display() const { return m_display; }
    QString error() const { return m_error; }

private:
    QProcess m_process;
    QByteArray m_display;
    QString m_error;
};

const XServer *server = nullptr;

} // namespace

class TestOwnerlessClipboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void paste_data();
    void paste();
};

void TestOwnerlessClipboard::initTestCase()
{
    if (!server->installed() || QStandardPaths::findExecutable(u"xclip"_s).isEmpty())
        QSKIP("Xvfb or xclip is not installed (tools/bootstrap.sh installs both)");
    QVERIFY2(!server->display().isEmpty(), qPrintable(u"Xvfb did not start: "_s + server->error()));
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
}

void TestOwnerlessClipboard::paste_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<PasteRoute>("route");
    QTest::addColumn<bool>("owned"); // xclip still holds the clipboard
    const QStringList boxes{u"txtContenuto"_s,    u"txtSrvSTMP"_s,      u"txtMittente"_s,
                            u"txtDestinatario"_s, u"txtCopiaCarbone"_s, u"txtCopiaCarboneNascosta"_s,
                            u"txtAllegati"_s,     u"txtOggetto"_s};
    const std::array routes{std::pair{PasteRoute::CtrlV, "Ctrl+V"},
                            std::pair{PasteRoute::ShiftInsert, "Shift+Insert"},
                            std::pair{PasteRoute::MiddleClick, "middle click"},
                            std::pair{PasteRoute::MenuPaste, "Incolla"}, std::pair{PasteRoute::Drop, "drop"}};
    for (const QString &box : boxes) {
        for (const auto &[route, routeName] : routes) {
            for (const bool owned : {false, true}) {
                QTest::addRow("%s, %s, %s", qPrintable(box), routeName, owned ? "held" : "owner exited")
                    << box << route << owned;
            }
        }
    }
}

void TestOwnerlessClipboard::paste()
{
    QFETCH(QString, box);
    QFETCH(PasteRoute, route);
    QFETCH(bool, owned);
    Form1Fixture f;
    QWidget *widget = f.named(box);
    QVERIFY(widget);
    auto *body = qobject_cast<QPlainTextEdit *>(widget);
    const QString text = body ? u"Caro Marco,\nè pronto."_s : u"è pronto"_s;

    const bool primary = route == PasteRoute::MiddleClick;
    const QClipboard::Mode mode = primary ? QClipboard::Selection : QClipboard::Clipboard;
    QProcess xclip;
    xclip.start(u"xclip"_s, {u"-i"_s, u"-quiet"_s, u"-selection"_s, primary ? u"primary"_s : u"clipboard"_s});
    xclip.write(text.toUtf8());
    xclip.closeWriteChannel();
    const auto stop = qScopeGuard([&xclip] {
        xclip.terminate();
        xclip.waitForFinished(10000);
    });
    // Generous: a loaded machine may be slow to start xclip; a pass never waits this long.
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(mode), text, 30000);
    if (!owned) {
        xclip.terminate();
        QVERIFY(xclip.state() == QProcess::NotRunning || xclip.waitForFinished(10000));
        const auto ownerless = [mode] {
            const QMimeData *data = QGuiApplication::clipboard()->mimeData(mode);
            return data == nullptr || data->formats().isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(ownerless(), 30000);
    }

    const QString before = u"Ciao"_s;
    if (body) {
        body->setPlainText(before);
        body->moveCursor(QTextCursor::End);
    } else {
        static_cast<QLineEdit *>(widget)->setText(before);
    }
    PasteRoutes::paste(route, widget, QGuiApplication::clipboard()->mimeData(), owned);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(PasteRoutes::textOf(widget), owned ? before + text : before);
    if (!owned)
        return;
    // One step takes the whole of it back out.
    QMetaObject::invokeMethod(widget, "undo");
    QCOMPARE(PasteRoutes::textOf(widget), before);
}

int main(int argc, char *argv[])
{
    const XServer x;
    server = &x;
    if (!x.display().isEmpty()) {
        qputenv("DISPLAY", x.display());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    TestOwnerlessClipboard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ownerlessclipboard.moc"
