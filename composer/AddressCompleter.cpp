#include "AddressCompleter.h"

#include "AddressMemory.h"
#include "addresses/AddressInput.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
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
    connect(box, &QLineEdit::textEdited, this, [this] { offer(true); });
    // Also right after every key typed, which has just been offered.
    connect(box, &QLineEdit::cursorPositionChanged, this, [this] {
        if (!m_popupMade || !m_completer->popup()->isVisible() || m_taking)
            return;
        offer(false);
    });
    // By its row: the text shown may be cut short.
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                if (index.isValid() && index.row() < m_offered.size())
                    take(m_offered.at(index.row()).display());
            });
}

// Made when first needed: four list views made at start would hold up the
// window's first appearance.
QAbstractItemView *AddressCompleter::popup()
{
    if (!m_popupMade) {
        m_completer->popup()->installEventFilter(this);
        // One line each, in one font: the first row measured stands for all.
        if (auto *list = qobject_cast<QListView *>(m_completer->popup()))
            list->setUniformItemSizes(true);
        m_popupMade = true;
    }
    return m_completer->popup();
}

// anew: the box's text was edited. A list made again has every row measured
// again by the view, so a cursor that moves without changing it keeps it.
void AddressCompleter::offer(bool anew)
{
    if (m_taking)
        return;
    const AddressInput::Item item = AddressInput::itemAt(m_box->text(), m_box->cursorPosition());
    QList<AddressEntry> offered = m_memory.addresses().matching(item.typed);
    QStringList shown;
    for (const AddressEntry &entry : std::as_const(offered))
        shown << entry.listed();
    m_offered = std::move(offered);
    if (!anew && shown == m_model->stringList())
        return;
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
void AddressCompleter::take(const QString &chosen)
{
    const QScopedValueRollback taking(m_taking, true);
    const auto completed = AddressInput::complete(m_box->text(), m_box->cursorPosition(), chosen);
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
