#include "FieldKeeper.h"

#include "BodyMirror.h"
#include "ComposerTexts.h"
#include "LineLengthGuard.h"
#include "MessageUi.h"
#include "RecoveryCopy.h"
#include "RecoveryTexts.h"
#include "SavedFields.h"

#include <QPlainTextEdit>

FieldKeeper::FieldKeeper(QWidget *form, MessageUi &ui, SettingsStore &store)
    : QObject(form), m_boxes(form), m_ui(ui), m_store(store)
{}

void FieldKeeper::setFields(const MailFields &fields)
{
    const QScopedValueRollback filling(m_filling, true);
    if (const QStringList over = m_boxes.fill(fields); !over.isEmpty())
        m_ui.showMessage(LineLengthGuard::restoreRefused(over), composerText(ComposerText::WarningTitle),
                         MessageUi::Icon::Information);
}

void FieldKeeper::restore()
{
    MailFields restored = fields();
    SavedFields::RestoreFields(m_store, restored);
    setFields(restored);
    m_loaded = SavedFields::asStored(restored); // as stored, even where a box refused its text
}

void FieldKeeper::watchEdits(QPlainTextEdit *body)
{
    if (const QString settings = m_store.fileName(); !settings.isEmpty()) {
        m_recovery = new RecoveryCopy(
            m_store, m_loaded, [this] { return m_boxes.readOneLiners(); }, new BodyMirror(body->document()),
            this);
    }
    m_boxes.watch(this, [this] { edited(); });
}

RecoveryCopy::Recovered FieldKeeper::recover()
{
    if (!m_recovery)
        return {};
    return m_recovery->recover([this](const MailFields &recovered) { setFields(recovered); });
}

QString FieldKeeper::recoverOffered(const QString &path)
{
    if (!m_recovery)
        return {};
    m_offered = true;
    return m_recovery->recoverOffered(path, [this](const MailFields &recovered) { setFields(recovered); });
}

void FieldKeeper::setFromLink(bool fromLink)
{
    m_fromLink = fromLink;
    if (fromLink && m_recovery)
        m_recovery->disown();
}

void FieldKeeper::delivered()
{
    if (m_recovery && !m_closed && m_edits == m_editsAtSend)
        m_recovery->sent();
}

void FieldKeeper::close()
{
    if (m_closed)
        return;
    m_closed = true;
    // An untouched link window leaves the saved message as it was.
    if (m_fromLink && !m_touched)
        return;
    const MailFields now = fields();
    if (!m_recovery) {
        SavedFields::StoreFields(m_store, now);
        return;
    }
    // A draft brought back is one even untouched, and so is a link's the user made theirs.
    const bool own = m_offered || m_fromLink || SavedFields::asStored(now) != m_loaded;
    if (const QString told = m_recovery->close(now, own); !told.isEmpty())
        m_ui.showMessage(told, recoveryText(RecoveryText::CloseTitle), MessageUi::Icon::Error);
}

// What the program fills in itself (saved fields, a link) is no edit.
void FieldKeeper::edited()
{
    if (m_filling || m_closed)
        return;
    m_touched = true;
    ++m_edits;
    if (m_recovery)
        m_recovery->changed();
}
