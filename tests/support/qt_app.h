#pragma once
// One QApplication for a test program that creates widgets.
#include <QApplication>

namespace brine::test {

inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "brine-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

}  // namespace brine::test
