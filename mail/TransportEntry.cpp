// The entry point of the korvane-smtp module: SendJob and everything below
// it, libcurl included, reached through one table.
#include "SendJob.h"
#include "SendTask.h"

#include <QtGlobal>

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

const TransportEntry kEntry{
    TransportEntry::kAbiVersion,
    KORVANE_VERSION,
    &SmtpSession::initialise,
    &SmtpSession::libraryVersion,
    [](const MailRequest &request, Transcript::EchoLine echo,
       std::shared_ptr<void> passwordHold) -> std::shared_ptr<SendTask> {
        return std::make_shared<JobTask>(request, echo, std::move(passwordHold));
    },
};

} // namespace

extern "C" Q_DECL_EXPORT const TransportEntry *korvane_transport() { return &kEntry; }
