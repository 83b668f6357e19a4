#pragma once

#include "FakeMailComponent.h"
#include "FakeMessageUi.h"
#include "Form1.h"
#include "MemorySettingsStore.h"

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

    template<class T = QWidget>
    T *control(const QString &name) const
    {
        return form->findChild<T *>(name);
    }
    QLineEdit *box(const QString &name) const { return control<QLineEdit>(name); }
    QPlainTextEdit *body() const { return control<QPlainTextEdit>(QStringLiteral("txtContenuto")); }
    QComboBox *priority() const { return control<QComboBox>(QStringLiteral("cboPriorita")); }
    QCheckBox *authenticate() const { return control<QCheckBox>(QStringLiteral("chkAutentica")); }
    void send() const { control<QPushButton>(QStringLiteral("cmdInvia"))->click(); }
    // The component's calls since start-up ended.
    QList<FakeMailComponent::Call> sendCalls() const { return mail->calls.mid(started); }

    QStringList log;
    FakeMessageUi ui;
    MemorySettingsStore store{&log};
    FakeMailComponent *mail = nullptr;
    std::unique_ptr<Form1> form;
    qsizetype started = 0;
};
