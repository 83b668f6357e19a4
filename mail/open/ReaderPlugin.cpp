// The korvane-open module: GMime and the reading of a message file, reached
// through one plugin object, loaded only when a message is opened.
#include "MessageFile.h"
#include "MessageReader.h"

#include <QObject>

class GMimeReader final : public QObject, public MessageReader
{
    Q_OBJECT
    // ReaderPlugin.json (made by CMake) names the program version and the
    // exact build.
    Q_PLUGIN_METADATA(IID KorvaneMessageReader_iid FILE "ReaderPlugin.json")
    Q_INTERFACES(MessageReader)

public:
    OpenedMessage open(const QString &path, const QString &attachmentsRoot) override
    {
        return MessageFile::read(path, attachmentsRoot);
    }
};

#include "ReaderPlugin.moc"
