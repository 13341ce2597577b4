#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

bool installGermanTranslations(QCoreApplication& application) {
    const QLocale german(QLocale::German, QLocale::Germany);
    // Dates, sizes and numbers in the file dialogs follow too.
    QLocale::setDefault(german);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    translator->setParent(&application);  // lives as long as the application
    return QCoreApplication::installTranslator(translator.release());
}
