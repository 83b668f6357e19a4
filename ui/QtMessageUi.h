#pragma once

#include "MessageUi.h"

#include <QPointer>
#include <QWidget>

// MessageUi over QMessageBox, QInputDialog and QFileDialog.
class QtMessageUi : public MessageUi
{
public:
    explicit QtMessageUi(QWidget *dialogParent = nullptr);

    // The window the dialogs are centred on; it may be set once that window exists.
    void setDialogParent(QWidget *parent);

    void showMessage(const QString &text, const QString &title, Icon icon,
                     const QString &details = {}) override;
    bool ask(const QString &text, const QString &title, const QString &yesText,
             const QString &noText) override;
    QString prompt(const QString &prompt, const QString &title, const QString &defaultText,
                   bool password) override;
    QStringList chooseFiles(const QString &title, const QString &directory) override;

private:
    QPointer<QWidget> m_parent;
};
