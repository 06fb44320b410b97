#pragma once
// One QApplication for the widget tests of a test program (offscreen). It is
// deleted when the tests end, before Qt's own globals go away.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

namespace brine::test {

inline QApplication* g_qtApp = nullptr;

class QtAppEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete g_qtApp;
        g_qtApp = nullptr;
    }
};

inline const bool g_qtAppRegistered = (::testing::AddGlobalTestEnvironment(new QtAppEnvironment), true);

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "brine-test";
    static char* argv[] = {name, nullptr};
    if (!g_qtApp) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        g_qtApp = new QApplication(argc, argv);
    }
    return *g_qtApp;
}

}  // namespace brine::test
