// Pastes and drops into the body of data as a clipboard hands it over once
// the program that copied has exited: nothing goes in and nothing breaks.
// Text that is there goes in whole, as one step to undo.
#include "tests/support/Form1Fixture.h"
#include "tests/support/PasteRoutes.h"

#include <QClipboard>
#include <QMimeData>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

enum class Offer { Nothing, ClaimedText, ClaimedMarkdown, GoneAfterCheck, MarkdownAndText };

// The formats the program that copied claims and, while it runs, its text.
class OfferedData : public QMimeData
{
public:
    OfferedData(QStringList claimed, QString text) : m_claimed(std::move(claimed)), m_text(std::move(text)) {}
    void ownerExits()
    {
        m_claimed.clear();
        m_text.clear();
    }
    QStringList formats() const override { return m_claimed; }
    bool hasFormat(const QString &format) const override { return m_claimed.contains(format); }

protected:
    QVariant retrieveData(const QString &format, QMetaType /*type*/) const override
    {
        return m_claimed.contains(format) && !m_text.isEmpty() ? QVariant(m_text) : QVariant();
    }

private:
    QStringList m_claimed;
    QString m_text;
};

const QString pasted = u"**Ciao** Marco,\nriga _due_ è\tfine"_s;

OfferedData *dataFor(Offer offer)
{
    const QStringList markdownFirst{u"text/markdown"_s, u"text/plain"_s};
    switch (offer) {
    case Offer::Nothing:
        return new OfferedData({}, {});
    case Offer::ClaimedText:
        return new OfferedData({u"text/plain"_s}, {});
    case Offer::ClaimedMarkdown:
        return new OfferedData(markdownFirst, {});
    case Offer::GoneAfterCheck:
    case Offer::MarkdownAndText:
        return new OfferedData(markdownFirst, pasted);
    }
    return nullptr;
}

} // namespace

class TestBodyTextEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void offered_data();
    void offered();
    void dropWithoutData();
};

void TestBodyTextEdit::offered_data()
{
    QTest::addColumn<PasteRoute>("route");
    QTest::addColumn<Offer>("offer");
    const std::array routes{std::pair{PasteRoute::CtrlV, "Ctrl+V"},
                            std::pair{PasteRoute::ShiftInsert, "Shift+Insert"},
                            std::pair{PasteRoute::MenuPaste, "Incolla"}, std::pair{PasteRoute::Drop, "drop"}};
    const std::array offers{std::pair{Offer::Nothing, "no formats at all"},
                            std::pair{Offer::ClaimedText, "text claimed, none given"},
                            std::pair{Offer::ClaimedMarkdown, "markdown claimed first, none given"},
                            std::pair{Offer::GoneAfterCheck, "owner exits after the check"},
                            std::pair{Offer::MarkdownAndText, "markdown and text"}};
    for (const auto &[route, routeName] : routes) {
        for (const auto &[offer, offerName] : offers) {
            // Keys check nothing before they insert.
            if (offer == Offer::GoneAfterCheck
                && (route == PasteRoute::CtrlV || route == PasteRoute::ShiftInsert))
                continue;
            QTest::addRow("%s, %s", routeName, offerName) << route << offer;
        }
    }
}

void TestBodyTextEdit::offered()
{
    QFETCH(PasteRoute, route);
    QFETCH(Offer, offer);
    Form1Fixture f;
    QPlainTextEdit *body = f.body();
    const QString before = u"Buongiorno"_s;
    body->setPlainText(before);
    body->moveCursor(QTextCursor::End);
    OfferedData *data = dataFor(offer);
    QGuiApplication::clipboard()->setMimeData(data); // the clipboard owns it

    const bool exitsAfterCheck = offer == Offer::GoneAfterCheck;
    PasteRoutes::paste(route, body, data, offer == Offer::MarkdownAndText || exitsAfterCheck, [&] {
        if (exitsAfterCheck)
            data->ownerExits();
    });
    if (QTest::currentTestFailed())
        return;
    if (offer != Offer::MarkdownAndText) {
        QCOMPARE(body->toPlainText(), before);
        return;
    }
    // Every character, the markdown's marks included: the box is plain text.
    QCOMPARE(body->toPlainText(), before + pasted);
    body->undo();
    QCOMPARE(body->toPlainText(), before);
}

// No drag Qt makes comes without data; one that did is refused.
void TestBodyTextEdit::dropWithoutData()
{
    Form1Fixture f;
    QPlainTextEdit *body = f.body();
    body->setPlainText(u"Buongiorno"_s);
    PasteRoutes::paste(PasteRoute::Drop, body, nullptr, false);
    QCOMPARE(body->toPlainText(), u"Buongiorno"_s);
}

QTEST_MAIN(TestBodyTextEdit)
#include "tst_bodytextedit.moc"
