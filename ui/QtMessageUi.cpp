#include "QtMessageUi.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

QtMessageUi::QtMessageUi(QWidget *dialogParent) : m_parent(dialogParent) {}

void QtMessageUi::setDialogParent(QWidget *parent) { m_parent = parent; }

void QtMessageUi::showMessage(const QString &text, const QString &title, Icon icon, const QString &details)
{
    QMessageBox box(m_parent);
    box.setIcon(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information);
    box.setWindowTitle(title);
    // Set before the text: with the default AutoText a reply such as
    // "<b>550</b>" would be rendered as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    // Qt shows the details as plain text, whatever they hold.
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

bool QtMessageUi::ask(const QString &text, const QString &title, const QString &yesText,
                      const QString &noText)
{
    QMessageBox box(m_parent);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText); // the user's words may be quoted in it
    box.setText(text);
    QPushButton *yes = box.addButton(yesText, QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(noText, QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

QString QtMessageUi::prompt(const QString &prompt, const QString &title, const QString &defaultText,
                            bool password)
{
    QInputDialog dialog(m_parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setTextEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

QStringList QtMessageUi::chooseFiles(const QString &title, const QString &directory)
{
    QFileDialog dialog(m_parent, title, directory);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
