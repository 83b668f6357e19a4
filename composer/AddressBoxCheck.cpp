#include "AddressBoxCheck.h"

#include "AddressChecks.h"
#include "ComposerTexts.h"
#include "spelling/LineMarks.h"

#include <QLineEdit>
#include <QMenu>

using AddressItems::Fault;
using AddressItems::Finding;

AddressBoxCheck::AddressBoxCheck(QLineEdit *box, AddressChecks &checks)
    : QObject(box), m_box(box), m_checks(checks), m_lineMarks(new LineMarks(box, *this))
{
    connect(&checks, &AddressChecks::answered, m_lineMarks, &LineMarks::refresh);
}

QMenu *AddressBoxCheck::contextMenu(const QPoint &pos) { return m_lineMarks->contextMenu(pos); }

QList<LineHighlighter::Mark> AddressBoxCheck::highlight(const QString &text, qsizetype from, qsizetype to,
                                                        qsizetype typing)
{
    m_marks.clear();
    QList<LineHighlighter::Mark> drawn;
    for (const AddressItems::Item &item : AddressItems::finished(text, typing, from, to)) {
        Mark found{item, m_checks.judge(item, text), {}};
        if (found.finding.kind == Finding::Fine)
            continue;
        found.why = why(found, text);
        m_marks << found;
        drawn.append({item.start, item.end - item.start, found.why});
    }
    return drawn;
}

QString AddressBoxCheck::why(const Mark &mark, const QString &text) const
{
    const QString domain = mark.item.typedDomain(text).toString();
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

// The fix of the item at index, or else of the first one marked in view.
void AddressBoxCheck::offerFix(QMenu *menu, const QString &text, qsizetype index,
                               const SpellMenu::Replace &replace)
{
    const auto isTypo = [](const Mark &mark) { return !mark.finding.meant.isEmpty(); };
    auto chosen = std::find_if(m_marks.cbegin(), m_marks.cend(), [index, isTypo](const Mark &mark) {
        return isTypo(mark) && index >= mark.item.start && index <= mark.item.end;
    });
    if (chosen == m_marks.cend())
        chosen = std::find_if(m_marks.cbegin(), m_marks.cend(), isTypo);
    if (chosen == m_marks.cend())
        return;
    const QString domain = chosen->item.typedDomain(text).toString();
    auto *fixIt = new QAction(composerText(ComposerText::FixDomain).arg(domain, chosen->finding.meant), menu);
    connect(fixIt, &QAction::triggered, menu,
            [replace, start = int(chosen->item.domainStart), domain, meant = chosen->finding.meant] {
                replace(start, domain, meant);
            });
    QAction *first = menu->actions().value(0);
    menu->insertAction(first, fixIt);
    menu->insertSeparator(first);
}
