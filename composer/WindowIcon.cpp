#include "WindowIcon.h"

#include <array>

QIcon korvaneClientIcon()
{
    // The resources live in a static library: nothing would pull their
    // registration into the program unless it is asked for by name.
    Q_INIT_RESOURCE(composer_icons);

    QIcon icon;
    for (const int size : std::array{16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/korvane-client-%1.png").arg(size), QSize(size, size));
    return icon;
}
