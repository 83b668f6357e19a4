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
    void setBcc(const QString & /*value*/) override {}
    void setCc(const QString & /*value*/) override {}
    void setRecipient(const QString & /*value*/) override {}
    void setSender(const QString & /*value*/) override {}
    void setBody(const QString & /*value*/) override {}
    void setSubject(const QString & /*value*/) override {}
    void setAttachments(const QString & /*value*/) override {}
    void setServer(const QString & /*value*/) override {}
    void setPriority(qint32 /*value*/) override {}
    void setClientName(const QString &value) override { m_clientName = value; }
    QString ClientName() const override { return m_clientName; }
    void setPassword(const QString & /*value*/) override {}
    void setUsername(const QString & /*value*/) override {}
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
