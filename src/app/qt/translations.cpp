#include "app/qt/translations.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tarnelo {

bool installQtTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace tarnelo
