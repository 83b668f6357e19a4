#include "AddressBoxCheck.h"

#include "AddressChecks.h"
#include "ComposerTexts.h"
#include "SpellMenu.h"
#include "SpellingMarks.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>

using AddressItems::Fault;
using AddressItems::Finding;

AddressBoxCheck::AddressBoxCheck(QLineEdit *box, AddressChecks &checks)
    : QObject(box), m_box(box), m_checks(checks)
{
    m_marking.setSingleShot(true);
    m_marking.setInterval(0);
    connect(&m_marking, &QTimer::timeout, this, &AddressBoxCheck::mark);
    connect(box, &QLineEdit::textChanged, &m_marking, qOverload<>(&QTimer::start));
    connect(box, &QLineEdit::cursorPositionChanged, &m_marking, qOverload<>(&QTimer::start));
    connect(&checks, &AddressChecks::answered, &m_marking, qOverload<>(&QTimer::start));
    box->installEventFilter(this);
    m_marking.start();
}

// The item the cursor stands in is still being typed while the box has the
// focus: neither marked nor asked about.
void AddressBoxCheck::mark()
{
    if (m_composing)
        return;
    const QString text = m_box->text();
    m_marks.clear();
    QList<ProseWords::Span> spans;
    for (const AddressItems::Item &item :
         AddressItems::finished(text, m_box->hasFocus() ? m_box->cursorPosition() : -1)) {
        Mark found{item, m_checks.judge(item, text), {}};
        if (found.finding.kind == Finding::Fine)
            continue;
        found.why = why(found);
        m_marks << found;
        spans << ProseWords::Span{item.start, item.end - item.start};
    }
    m_sending = true;
    SpellingMarks::drawOnLine(m_box, spans);
    m_sending = false;
}

QString AddressBoxCheck::why(const Mark &mark) const
{
    const QString domain = mark.item.typedDomain(m_box->text()).toString();
    switch (mark.finding.kind) {
    case Finding::Typo:
        return composerText(ComposerText::DomainTypo).arg(domain, mark.finding.meant);
    case Finding::Missing:
        return composerText(ComposerText::DomainMissing).arg(domain);
    case Finding::NoMail:
        return composerText(ComposerText::DomainNoMail).arg(domain);
    case Finding::LookAlike:
        return composerText(ComposerText::DomainLookAlike).arg(domain, mark.finding.meant);
    case Finding::Fine:
        return {};
    case Finding::Refused:
        break;
    }
    switch (mark.item.fault) {
    case Fault::NoAt:
        return composerText(ComposerText::AddressNoAt);
    case Fault::NoLocalPart:
        return composerText(ComposerText::AddressNoLocalPart);
    case Fault::NoDomain:
        return composerText(ComposerText::AddressNoDomain);
    case Fault::BadDomain:
        return composerText(ComposerText::AddressBadDomain).arg(domain);
    case Fault::None:
    case Fault::Other:
        break;
    }
    return composerText(ComposerText::AddressRefused);
}

const AddressBoxCheck::Mark *AddressBoxCheck::markAt(qsizetype position) const
{
    for (const Mark &mark : m_marks)
        if (position >= mark.item.start && position <= mark.item.end)
            return &mark;
    return nullptr;
}

// The fix of the slip clicked on, or else of the first one in the box.
QMenu *AddressBoxCheck::contextMenu(const QPoint &pos)
{
    QMenu *menu = m_box->createStandardContextMenu();
    const Mark *clicked = markAt(m_box->cursorPositionAt(pos));
    if (!clicked || clicked->finding.meant.isEmpty()) {
        const auto typo = std::find_if(m_marks.cbegin(), m_marks.cend(),
                                       [](const Mark &mark) { return !mark.finding.meant.isEmpty(); });
        clicked = typo == m_marks.cend() ? nullptr : &*typo;
    }
    if (!clicked)
        return menu;
    const Mark chosen = *clicked;
    const QString domain = chosen.item.typedDomain(m_box->text()).toString();
    auto *fixIt = new QAction(composerText(ComposerText::FixDomain).arg(domain, chosen.finding.meant), menu);
    connect(fixIt, &QAction::triggered, this, [this, chosen, domain] { fix(chosen, domain); });
    QAction *first = menu->actions().value(0);
    menu->insertAction(first, fixIt);
    menu->insertSeparator(first);
    return menu;
}

// Only where the domain still stands as it was when the menu opened; one
// edit, undone whole.
void AddressBoxCheck::fix(const Mark &mark, const QString &typed)
{
    const qsizetype length = mark.item.domainEnd - mark.item.domainStart;
    if (m_box->text().mid(mark.item.domainStart, length) != typed)
        return;
    m_box->setSelection(int(mark.item.domainStart), int(length));
    m_box->insert(mark.finding.meant);
}

bool AddressBoxCheck::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::InputMethod:
        if (!m_sending) {
            m_composing = !static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty();
            m_marking.start();
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        m_marking.start();
        break;
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (const Mark *mark = markAt(m_box->cursorPositionAt(help->pos()))) {
            QToolTip::showText(help->globalPos(), mark->why, m_box);
            return true;
        }
        break;
    }
    case QEvent::ContextMenu:
        if (!m_box->isReadOnly()) {
            const auto *request = static_cast<QContextMenuEvent *>(event);
            SpellMenu::popup(contextMenu(request->pos()), request->globalPos());
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
