#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace brine {

bool InstallQtTranslations() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    static const QString kName = QStringLiteral("brineQtTranslations");
    if (app->findChild<QTranslator*>(kName, Qt::FindDirectChildrenOnly)) return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(kName);
    // qtbase holds the texts of the widgets the program uses.
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        qWarning("Qt's Japanese translations (qtbase_ja.qm) are not installed; its dialogs stay in English");
        return false;
    }
    return true;
}

}  // namespace brine
