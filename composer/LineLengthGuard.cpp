#include "LineLengthGuard.h"

#include "ComposerLayout.h"
#include "ComposerTexts.h"
#include "HandlerQueue.h"
#include "recovery/RecoveryCopy.h"
#include "ui/MessageUi.h"

#include <QLineEdit>
#include <QLocale>

namespace {

// The seven one-line boxes full, encoded, leave most of a recovery copy for
// the body.
static_assert(qint64(7) * ComposerLayout::lineBoxLimit * 3 < RecoveryCopy::largestCopy / 4);

// "La casella «Oggetto» contiene al massimo 1.000.000 caratteri."
QString limitSentence(const QStringList &boxNames)
{
    QStringList quoted;
    for (const QString &name : boxNames)
        quoted << u'«' + name + u'»';
    const QString limit = QLocale(QLocale::Italian, QLocale::Italy).toString(ComposerLayout::lineBoxLimit);
    if (quoted.size() == 1)
        return composerText(ComposerText::BoxLimit).arg(quoted.first(), limit);
    return composerText(ComposerText::BoxesLimit).arg(quoted.join(QStringLiteral(", ")), limit);
}

} // namespace

LineLengthGuard::LineLengthGuard(QWidget *form, MessageUi &ui, HandlerQueue &handlers)
    : QObject(form), m_ui(ui), m_handlers(handlers)
{
    for (QLineEdit *box : form->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly)) {
        // Queued: the box undoes the edit after it has said so.
        connect(
            box, &QLineEdit::inputRejected, this, [this, box] { refused(box); }, Qt::QueuedConnection);
    }
}

QString LineLengthGuard::linkRefused(const QStringList &boxNames)
{
    return composerText(ComposerText::LinkTooLong).arg(limitSentence(boxNames));
}

QString LineLengthGuard::messageRefused(const QStringList &boxNames)
{
    return composerText(ComposerText::MessageTooLong).arg(limitSentence(boxNames));
}

QString LineLengthGuard::restoreRefused(const QStringList &boxNames)
{
    return composerText(ComposerText::RestoreTooLong).arg(limitSentence(boxNames));
}

void LineLengthGuard::refused(QLineEdit *box)
{
    if (m_waiting.contains(box))
        return;
    m_waiting.insert(box);
    m_handlers.run([this, box] {
        m_ui.showMessage(composerText(ComposerText::TextTooLong).arg(limitSentence({box->accessibleName()})),
                         composerText(ComposerText::WarningTitle), MessageUi::Icon::Information);
        m_waiting.remove(box);
    });
}
