#pragma once

#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

#include <memory>

// Installs Qt's own Italian texts (standard dialog buttons, the boxes' context
// menus) from qtbase_it.qm in directory, whatever the system locale: the
// interface is Italian only. Needs the application object. The texts stay
// installed while the returned translator lives; without a readable file it
// returns null and Qt keeps its English texts.
std::unique_ptr<QTranslator> installQtTranslation(const QString &directory
                                                  = QLibraryInfo::path(QLibraryInfo::TranslationsPath));
