// The korvane-smtp module: SendJob and everything below it, libcurl
// included, reached through one plugin object.
#include "SendJob.h"
#include "SendTask.h"

#include <QObject>

namespace {

class JobTask final : public SendTask
{
public:
    JobTask(const MailRequest &request, Transcript::EchoLine echo, std::shared_ptr<void> passwordHold)
        : m_job(request, echo, std::move(passwordHold))
    {}

    SendOutcome run(const Progress &progress, const Verdict &verdict) override
    {
        return m_job.run(progress, verdict);
    }
    void abort() override { m_job.abort(); }
    bool aborted() const override { return m_job.aborted(); }
    void addTranscriptLine(const QString &line) override { m_job.transcript().add(line); }
    QString transcriptText() const override { return m_job.transcript().text(); }

private:
    SendJob m_job;
};

} // namespace

class SmtpTransport final : public QObject, public TransportPlugin
{
    Q_OBJECT
    // TransportPlugin.json (made by CMake) names the program version and
    // the exact build.
    Q_PLUGIN_METADATA(IID KorvaneTransportPlugin_iid FILE "TransportPlugin.json")
    Q_INTERFACES(TransportPlugin)

public:
    bool initialise() override { return SmtpSession::initialise(); }
    std::shared_ptr<SendTask> makeTask(const MailRequest &request, Transcript::EchoLine echo,
                                       std::shared_ptr<void> passwordHold) override
    {
        return std::make_shared<JobTask>(request, echo, std::move(passwordHold));
    }
};

#include "TransportPlugin.moc"
