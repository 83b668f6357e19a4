#include "AddressCompleter.h"

#include "AddressInput.h"
#include "AddressMemory.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStringListModel>

AddressCompleter::AddressCompleter(QLineEdit *box, AddressMemory &memory)
    : QObject(box), m_box(box), m_memory(memory), m_completer(new QCompleter(this)),
      m_model(new QStringListModel(this))
{
    // Not the box's own completer: that one would replace the whole text,
    // every address typed before the cursor included.
    m_completer->setModel(m_model);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setWidget(box);
    connect(box, &QLineEdit::textEdited, this, &AddressCompleter::offer);
    connect(box, &QLineEdit::cursorPositionChanged, this, [this] {
        if (!m_popupMade || !m_completer->popup()->isVisible() || m_taking)
            return;
        offer();
    });
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this, &AddressCompleter::take);
}

// Made when first needed: four list views made at start would hold up the
// window's first appearance.
QAbstractItemView *AddressCompleter::popup()
{
    if (!m_popupMade) {
        m_completer->popup()->installEventFilter(this);
        m_popupMade = true;
    }
    return m_completer->popup();
}

void AddressCompleter::offer()
{
    if (m_taking)
        return;
    const AddressInput::Item item = AddressInput::itemAt(m_box->text(), m_box->cursorPosition());
    m_offered = AddressInput::matching(m_memory.entries(), item.typed);
    QStringList shown;
    for (const AddressEntry &entry : m_offered)
        shown << entry.display();
    m_model->setStringList(shown);
    if (shown.isEmpty()) {
        if (m_popupMade)
            popup()->hide();
        return;
    }
    popup();
    m_completer->complete();
}

// One edit, undone whole by Ctrl+Z; a text grown past the box's limit is
// refused whole by its validator, never cut.
void AddressCompleter::take(const QString &shown)
{
    const QScopedValueRollback taking(m_taking, true);
    const auto completed = AddressInput::complete(m_box->text(), m_box->cursorPosition(), shown);
    m_box->selectAll();
    m_box->insert(completed.text);
    if (m_box->text() == completed.text)
        m_box->setCursorPosition(static_cast<int>(completed.cursor));
}

bool AddressCompleter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ShiftModifier) {
            forgetCurrent();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void AddressCompleter::forgetCurrent()
{
    const int row = m_completer->popup()->currentIndex().row();
    if (row < 0 || row >= m_offered.size())
        return;
    m_memory.forget(m_offered.takeAt(row).address);
    m_model->removeRow(row);
    if (m_offered.isEmpty())
        m_completer->popup()->hide();
}
