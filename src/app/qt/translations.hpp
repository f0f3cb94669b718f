// Qt's own Chinese texts (file dialogs, context menus of edit boxes, standard buttons).
#pragma once

class QCoreApplication;

namespace tarnelo {

// Makes Chinese (China) the default locale and loads qtbase_zh_CN from Qt's translations
// folder into the application; false when it is not installed (the dialogs then speak
// English).
bool installQtTranslations(QCoreApplication& application);

} // namespace tarnelo
