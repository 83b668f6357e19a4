#include "QtMessageUi.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

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
