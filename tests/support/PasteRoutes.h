#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

// The ways a paste or a drop reaches a box, driven as a user would.
enum class PasteRoute { CtrlV, ShiftInsert, MiddleClick, MenuPaste, Drop };

namespace PasteRoutes {

inline QString textOf(const QWidget *box)
{
    const auto *line = qobject_cast<const QLineEdit *>(box);
    return line ? line->text() : static_cast<const QPlainTextEdit *>(box)->toPlainText();
}

// Where the mouse acts on box: the body's viewport, a line edit itself.
inline QWidget *surface(QWidget *box)
{
    auto *body = qobject_cast<QPlainTextEdit *>(box);
    return body ? body->viewport() : box;
}

inline QAction *pasteEntry(QMenu *menu)
{
    // Named after the shortcut it shows, in whatever language.
    const QString shortcut = u'\t' + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    const QList<QAction *> actions = menu->actions();
    const auto entry
        = std::ranges::find_if(actions, [&](QAction *a) { return a->text().endsWith(shortcut); });
    return entry == actions.end() ? nullptr : *entry;
}

// Pastes into box (or drops dropped on it) by route, past the end of its
// text. usable: whether the menu's Incolla is enabled and the drag taken;
// afterCheck runs between that check and the insertion.
inline void paste(
    PasteRoute route, QWidget *box, const QMimeData *dropped, bool usable,
    const std::function<void()> &afterCheck = [] {})
{
    QWidget *target = surface(box);
    const QPoint end(target->width() - 4, target->height() - 4);
    switch (route) {
    case PasteRoute::CtrlV:
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        break;
    case PasteRoute::ShiftInsert:
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case PasteRoute::MiddleClick:
        QTest::mouseClick(target, Qt::MiddleButton, {}, end);
        break;
    case PasteRoute::MenuPaste: {
        auto *line = qobject_cast<QLineEdit *>(box);
        const std::unique_ptr<QMenu> menu(
            line ? line->createStandardContextMenu()
                 : static_cast<QPlainTextEdit *>(box)->createStandardContextMenu());
        QAction *entry = pasteEntry(menu.get());
        QVERIFY(entry);
        QCOMPARE(entry->isEnabled(), usable);
        afterCheck();
        entry->trigger();
        break;
    }
    case PasteRoute::Drop: {
        QDragEnterEvent enter(end, Qt::CopyAction, dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), usable);
        afterCheck();
        QDropEvent drop(end, Qt::CopyAction, dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        break;
    }
    }
}

} // namespace PasteRoutes
