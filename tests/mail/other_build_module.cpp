// Test-only stand-in for a korvane-smtp.so of another build: the program's
// version and interface id, but types across the boundary that may be laid
// out otherwise, so its metadata names another build. Built with
// planted_module.cpp: loading it creates the file named by
// KORVANE_PLANTED_MARK, before anything could be checked.
#include "SendTask.h"

#include <QObject>

class OtherBuildTransport final : public QObject, public TransportPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KorvaneTransportPlugin_iid FILE "OtherBuild.json")
    Q_INTERFACES(TransportPlugin)

public:
    bool initialise() override { return false; }
    std::shared_ptr<SendTask> makeTask(const MailRequest & /*request*/, Transcript::EchoLine /*echo*/,
                                       std::shared_ptr<void> /*passwordHold*/) override
    {
        return nullptr;
    }
};

#include "other_build_module.moc"
