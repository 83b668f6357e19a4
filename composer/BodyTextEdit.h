#pragma once

#include <QPlainTextEdit>

// The body box. Whatever a paste or a drop hands it (Ctrl+V, Shift+Insert,
// a middle click, the context menu's Incolla, a drop) is read here once, as
// plain text, and Qt inserts that text from data of our own.
//
// Qt 6.4's own insertion reads the first of the data's formats without
// looking whether there is one. The clipboard's data has no formats at all
// once the program that copied has exited (on a desktop without a
// clipboard manager), and that paste would end the program.
//
// Its context menu, whoever makes it (Qt's own, or the spelling's over it),
// has the window's own entries right above the box's own.
class BodyTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit BodyTextEdit(QWidget *parent);

    // Puts action, which outlives the box, at the top of every context menu
    // made from now on.
    void addMenuAction(QAction *action) { m_menuActions.append(action); }

protected:
    // True only for data that gives some text now.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    // Inserts the data's text whole, as one step to undo; nothing when it
    // gives none.
    void insertFromMimeData(const QMimeData *source) override;
    // Qt's own menu, made a child of the box as the spelling's is.
    void contextMenuEvent(QContextMenuEvent *event) override;
    // A menu made a child of the box gets the entries once it is polished,
    // just before it is laid out and shown.
    void childEvent(QChildEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QAction *> m_menuActions;
};
