#pragma once

#include "FakeMailComponent.h"
#include "FakeMessageUi.h"
#include "MemorySettingsStore.h"
#include "composer/Form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

// A Form1 over fakes; the fakes outlive the window.
struct Form1Fixture
{
    explicit Form1Fixture(const QMap<QString, QString> &stored = {})
    {
        store.values = stored;
        auto owned = std::make_unique<FakeMailComponent>(&log);
        mail = owned.get();
        form = std::make_unique<Form1>(std::move(owned), ui, store);
        started = mail->calls.size();
    }

    // A control by the name a screen reader and the layout table know it by.
    QWidget *named(const QString &name) const { return form->findChild<QWidget *>(name); }
    const ComposerLayout::Controls &controls() const { return form->controls(); }
    QPlainTextEdit *body() const { return controls().body; }
    QComboBox *priority() const { return controls().priority; }
    QCheckBox *authenticate() const { return controls().authenticate; }
    void send() const { controls().send->click(); }
    // The component's calls since start-up ended.
    QList<FakeMailComponent::Call> sendCalls() const { return mail->calls.mid(started); }

    QStringList log;
    FakeMessageUi ui;
    MemorySettingsStore store{&log};
    FakeMailComponent *mail = nullptr;
    std::unique_ptr<Form1> form;
    qsizetype started = 0;
};
