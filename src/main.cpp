#include <QApplication>

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/html_help.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    brine::InitApplication();
    brine::CreateForms();
    // Closing the main window ends the program, whatever else is open.
    QObject::connect(brine::Form1, &brine::TForm1::closed, &app, &QCoreApplication::quit);
    brine::Form1->show();
    int rc = app.exec();
    brine::DestroyForms();
    brine::UnloadHtmlHelp();
    return rc;
}
