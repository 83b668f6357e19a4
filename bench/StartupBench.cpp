#include "StartupBench.h"

#include "ExposeProbe.h"
#include "Form1.h"
#include "MailComponent.h"
#include "QSettingsStore.h"
#include "QtMessageUi.h"
#include "WindowIcon.h"

#include <QApplication>

#include <memory>

namespace {

// Everything but the about dialog is what the window would see from the
// real component; the dialog would wait for a person.
class InstantAboutComponent : public MailComponent
{
public:
    void setBcc(const QString &) override {}
    void setCc(const QString &) override {}
    void setRecipient(const QString &) override {}
    void setSender(const QString &) override {}
    void setBody(const QString &) override {}
    void setSubject(const QString &) override {}
    void setAttachments(const QString &) override {}
    void setServer(const QString &) override {}
    void setPriority(qint32) override {}
    void setClientName(const QString &value) override { m_clientName = value; }
    QString ClientName() const override { return m_clientName; }
    void setPassword(const QString &) override {}
    void setUsername(const QString &) override {}
    void Send() override {}
    bool IsReady() const override { return true; }
    void AboutBox() override {}

private:
    QString m_clientName;
};

} // namespace

int runStartupBench()
{
    QGuiApplication::setDesktopFileName(QStringLiteral("it.korvane.Client"));
    QApplication::setWindowIcon(korvaneClientIcon());
    QtMessageUi ui;
    QSettingsStore store;
    Form1 form(std::make_unique<InstantAboutComponent>(), ui, store);
    ui.setDialogParent(&form);
    new ExposeProbe(&form);
    form.show();
    return QApplication::exec();
}
