#pragma once

#include "MailComponent.h"

#include <functional>
#include <memory>

struct SendOutcome;

// The SMTP component: sends one message at a time over libcurl, on a worker
// thread (the transport is a module, loaded in the background from prepare(),
// or at the latest by the first send; never before a send begins), and
// reports on the thread that owns it as soon as the server has answered the
// message; the goodbye to the server follows on the worker.
// Destroying it during a send cuts the connection (the server never gets the
// end of the message) and waits for nothing; no signal follows. The password
// is forgotten, its copies overwritten, when its send ends.
class KorvaneSTMP : public MailComponent
{
    Q_OBJECT

public:
    // Shows the about dialog's title and plain text, modally. The component
    // draws nothing itself, so it is handed the window's dialogs.
    using AboutPresenter = std::function<void(const QString &title, const QString &text)>;

    // Without a presenter AboutBox() shows nothing.
    explicit KorvaneSTMP(AboutPresenter presentAbout = {}, QObject *parent = nullptr);
    ~KorvaneSTMP() override;

    void setField(QString MailFields::*field, const QString &value) override;
    void setPriority(qint32 value) override;
    void setClientName(const QString &value) override;
    QString ClientName() const override;
    void setPassword(const QString &value) override;
    void setUsername(const QString &value) override;

    void Send() override;
    bool IsReady() const override;
    void AboutBox() override;
    QString lastTranscript() const override;

    // Writes the transcript of every send to standard error as it happens.
    void setVerbose(bool on);
    // Loads the transport (libcurl and the rest) in the background, and
    // sweeps what a crash left half written among the messages sent.
    void prepare() override;

    // Extra certificates to trust besides the system's store (a PEM file).
    void setCaFile(const QString &path);
    // Limits for connecting and for a dialogue that makes no progress.
    void setConnectTimeoutMs(int ms);
    void setStallTimeoutMs(int ms);
    // The ports tried when the server field names none (25, 587 and 465);
    // tests point them at their own servers.
    void setUsualPorts(quint16 plain, quint16 submission, quint16 implicitTls);

private:
    void finish(const SendOutcome &outcome, const QString &transcript);

    struct Private;
    std::unique_ptr<Private> d;
};
