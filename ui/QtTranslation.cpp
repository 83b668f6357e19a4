#include "QtTranslation.h"

#include <QCoreApplication>

std::unique_ptr<QTranslator> installQtTranslation(const QString &directory)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_it"), directory))
        return nullptr;
    if (!QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}
