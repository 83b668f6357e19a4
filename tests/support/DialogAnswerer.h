#pragma once

#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "ui/QtMessageUi.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

struct Shown
{
    QString title;
    QString text;
    QString details; // behind the box's button for details
};

inline QString caption(const Shown &s) { return s.title + QStringLiteral(": ") + s.text; }

// Answers every modal dialog the program opens, as a user would: reads and
// closes message boxes, answers questions the safe way, types into prompts.
class DialogAnswerer : public QObject
{
public:
    explicit DialogAnswerer(QStringList promptAnswers) : m_answers(std::move(promptAnswers))
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::answer);
        m_timer.start(20);
    }

    QList<Shown> boxes;
    QStringList prompts;

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->windowTitle(), box->text(), box->detailedText()});
            // A question gets its safe answer, as Escape would give it.
            QAbstractButton *ok = box->button(QMessageBox::Ok);
            (ok ? ok : box->escapeButton())->click();
        } else if (auto *input = qobject_cast<QInputDialog *>(modal)) {
            prompts.append(input->windowTitle() + QLatin1Char('|') + input->labelText() + QLatin1Char('|')
                           + QString::number(int(input->textEchoMode())));
            input->setTextValue(m_answers.isEmpty() ? QString() : m_answers.takeFirst());
            input->accept();
        }
    }

    QTimer m_timer;
    QStringList m_answers;
};

// The window as main() builds it (real component, dialogs and settings file)
// with a DialogAnswerer in the user's place. The answerer comes first: the
// about box opens inside Form1's constructor.
struct RealWindow
{
    explicit RealWindow(QStringList promptAnswers = {},
                        const std::function<void(KorvaneSTMP &)> &configure = {})
        : answerer(std::move(promptAnswers)), form(component(ui, configure), ui, store)
    {
        ui.setDialogParent(&form);
    }

    static std::unique_ptr<KorvaneSTMP> component(MessageUi &ui,
                                                  const std::function<void(KorvaneSTMP &)> &configure)
    {
        auto made = std::make_unique<KorvaneSTMP>(ui.informer());
        if (configure)
            configure(*made);
        return made;
    }

    DialogAnswerer answerer;
    QtMessageUi ui;
    QSettingsStore store;
    Form1 form;
};
