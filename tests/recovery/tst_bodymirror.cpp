// The body's mirror against the document itself, through the edits a user
// makes: typing, pasting several lines, deleting across lines, undo and
// redo, replacing everything.
#include "recovery/BodyMirror.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

class TestBodyMirror : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsEveryEdit_data();
    void followsEveryEdit();
};

void TestBodyMirror::followsEveryEdit_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QString>("start");
    QTest::newRow("empty, seed 1") << 1U << QString();
    QTest::newRow("lines, seed 2") << 2U << u"prima\nseconda\n\nquarta"_s;
    QTest::newRow("separators of every kind, seed 3") << 3U << u"a\u00a0b\u2028c\u2029d\r\ne\tf"_s;
    QTest::newRow("a long body, seed 4") << 4U << QString(200000, u'x');
}

void TestBodyMirror::followsEveryEdit()
{
    QFETCH(quint32, seed);
    QFETCH(QString, start);
    QPlainTextEdit edit;
    edit.setPlainText(start);
    const BodyMirror mirror(edit.document());
    QCOMPARE(mirror.text(), edit.toPlainText());
    QRandomGenerator random(seed);
    const QStringList pieces{u"a"_s,    u"\n"_s,  u"due\nrighe\n"_s, u"\u00a0"_s, u"\u2028"_s,
                             u"\r\n"_s, u"è€😀"_s, u"\t "_s,          QString()};
    for (int round = 0; round < 300; ++round) {
        QTextCursor cursor(edit.document());
        const int length = edit.document()->characterCount() - 1;
        cursor.setPosition(int(random.bounded(length + 1)));
        switch (random.bounded(6)) {
        case 0:
        case 1:
            cursor.insertText(pieces.at(random.bounded(int(pieces.size()))));
            break;
        case 2:
            cursor.setPosition(int(random.bounded(length + 1)), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            break;
        case 3:
            edit.undo();
            break;
        case 4:
            edit.redo();
            break;
        default:
            if (random.bounded(20) == 0)
                edit.setPlainText(pieces.at(random.bounded(int(pieces.size()))) + start);
            else
                edit.insertPlainText(pieces.at(random.bounded(int(pieces.size()))));
            break;
        }
        QCOMPARE(mirror.text(), edit.toPlainText());
    }
}

QTEST_MAIN(TestBodyMirror)
#include "tst_bodymirror.moc"
