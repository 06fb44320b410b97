// One QApplication for the whole test program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "platform/html_help.h"
#include "support/qt_app.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        brine::test::keepQtFilesInside();
        app_ = new QApplication(argc_, argv_);
        brine::LoadHtmlHelp();
    }
    void TearDown() override {
        brine::UnloadHtmlHelp();
        delete app_;
    }

private:
    int argc_ = 1;
    char name_[9] = "test_app";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
