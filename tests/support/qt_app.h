#pragma once
// One QApplication for the widget tests of a test program (offscreen). It is
// deleted when the tests end, before Qt's own globals go away.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/temp_dir.h"

namespace brine::test {

// Qt keeps files of its own (runtime folder, dialog settings) under HOME and
// XDG_RUNTIME_DIR: both point into a folder of the test program.
inline void keepQtFilesInside() {
    static const TempDir home;
    std::filesystem::permissions(home.path(), std::filesystem::perms::owner_all);  // as a runtime folder must be
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
}

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
        keepQtFilesInside();
        g_qtApp = new QApplication(argc, argv);
    }
    return *g_qtApp;
}

}  // namespace brine::test
