// Test-only korvane-smtp.so of another build (this version and interface id,
// its metadata naming another build), built with planted_module.cpp, whose
// loading marks KORVANE_PLANTED_MARK.
#include "mail/send/SendTask.h"

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
