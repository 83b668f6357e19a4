#include "WindowIcon.h"

#include <QImage>
#include <QPixmap>

#include <array>
#include <utility>

QIcon korvaneClientIcon()
{
    // The resources live in a static library: nothing would pull their
    // registration into the program unless it is asked for by name.
    Q_INIT_RESOURCE(composer_icons);

    // The format named: QIcon::addFile would find it by asking every image
    // plugin in turn, loading them (and libjpeg) at each start.
    QIcon icon;
    for (const int size : std::array{16, 32, 48}) {
        QImage image;
        if (image.load(QStringLiteral(":/icons/korvane-client-%1.png").arg(size), "PNG"))
            icon.addPixmap(QPixmap::fromImage(std::move(image)));
    }
    return icon;
}
