#include "ImmediateMnemonic.h"

#include <QAbstractButton>
#include <QPointer>
#include <QShortcutEvent>
#include <QTimer>

#include <utility>

namespace {

// How long Qt's own animated click shows the button pressed.
constexpr int kPressLookMs = 100;

} // namespace

void ImmediateMnemonic::install(QAbstractButton *button) { new ImmediateMnemonic(button); }

ImmediateMnemonic::ImmediateMnemonic(QAbstractButton *button) : QObject(button), m_button(button)
{
    button->installEventFilter(this);
}

bool ImmediateMnemonic::eventFilter(QObject *watched, QEvent *event)
{
    // The only shortcut a button grabs is its access key. An ambiguous one
    // (two controls with the same letter) only moves the focus: Qt's way.
    if (watched != m_button || event->type() != QEvent::Shortcut
        || static_cast<QShortcutEvent *>(event)->isAmbiguous())
        return QObject::eventFilter(watched, event);
    // The key again while the press still shows: one click per press, as Qt
    // does while its animated click runs.
    if (m_showingPress)
        return true;
    // Held down by the mouse: Qt's own handling, which clicks when it ends.
    if (m_button->isDown())
        return QObject::eventFilter(watched, event);
    const QPointer<QAbstractButton> button(m_button);
    m_button->setDown(true);
    m_button->repaint();
    m_showingPress = true;
    QTimer::singleShot(kPressLookMs, this, &ImmediateMnemonic::release);
    // The send starts here; it may open a prompt, over the pressed button.
    m_button->click();
    // click() lets the button up: pressed again until the look's time is up,
    // unless a prompt outlasted it. (This filter goes with the button.)
    if (button && m_showingPress)
        m_button->setDown(true);
    return true;
}

void ImmediateMnemonic::release()
{
    if (std::exchange(m_showingPress, false))
        m_button->setDown(false);
}
