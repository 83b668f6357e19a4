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
class BodyTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit BodyTextEdit(QWidget *parent);

protected:
    // True only for data that gives some text now.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    // Inserts the data's text whole, as one step to undo; nothing when it
    // gives none.
    void insertFromMimeData(const QMimeData *source) override;
};
