#include "MenuKey.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

constexpr auto filterName = "menuKey";

class MenuKeyFilter : public QObject
{
public:
    explicit MenuKeyFilter(QWidget *box) : QObject(box), m_box(box)
    {
        setObjectName(QLatin1StringView(filterName));
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier)
            return QObject::eventFilter(watched, event);
        // Where Qt puts the menu key's own menu.
        const QPoint at = m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, at, m_box->mapToGlobal(at), key->modifiers());
        QCoreApplication::sendEvent(m_box, &request);
        return true;
    }

private:
    QWidget *m_box;
};

} // namespace

namespace MenuKey {

void install(QWidget *box)
{
    if (box->findChild<QObject *>(QLatin1StringView(filterName), Qt::FindDirectChildrenOnly) == nullptr)
        new MenuKeyFilter(box);
}

} // namespace MenuKey
