#include <QApplication>

#include "app/main_window.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Brinelog 4"));
    brine::CreateForms();
    brine::Form1->show();
    int rc = app.exec();
    brine::DestroyForms();
    return rc;
}
