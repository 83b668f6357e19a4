#include "FieldKeeper.h"

#include "ComposerTexts.h"
#include "LineLengthGuard.h"
#include "recovery/RecoveryTexts.h"
#include "ui/MessageUi.h"

#include <QPlainTextEdit>

FieldKeeper::FieldKeeper(QWidget *form, MessageUi &ui, SettingsStore &store)
    : QObject(form), m_boxes(form), m_ui(ui),
      m_draft(store, [this](const MailFields &shown) { setFields(shown); })
{}

void FieldKeeper::setFields(const MailFields &fields)
{
    const QScopedValueRollback filling(m_filling, true);
    if (const QStringList over = m_boxes.fill(fields); !over.isEmpty())
        m_ui.showMessage(LineLengthGuard::restoreRefused(over), composerText(ComposerText::WarningTitle),
                         MessageUi::Icon::Information);
}

// What the program fills in itself (saved fields, a link) is no edit.
void FieldKeeper::watchEdits(QPlainTextEdit *body)
{
    m_draft.follow([this] { return m_boxes.readOneLiners(); }, body->document());
    m_boxes.watch(this, [this] {
        if (!m_filling)
            m_draft.changed();
    });
}

void FieldKeeper::close()
{
    if (const QString told = m_draft.close(fields()); !told.isEmpty())
        m_ui.showMessage(told, recoveryText(RecoveryText::CloseTitle), MessageUi::Icon::Error);
}
