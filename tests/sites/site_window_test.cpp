#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "sites/declination.h"
#include "sites/site_window.h"
#include "base/cp932.h"
#include "platform/api/scripted.h"
#include "platform/qt_prompter.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::readText;
using test::writeText;

class SiteWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::qtApp(); }
    void SetUp() override {
        SetAppPrompter(&prompter);
        sites.LocationFile = dir.file("Location.dat");
    }
    void TearDown() override {
        window.reset();
        SetAppPrompter(nullptr);
    }
    // The window shown over a site file of these lines, with a site remembered.
    TFrmLocation& show(const std::string& lines, int remembered = 0) {
        writeText(sites.LocationFile.string(), lines);
        sites.SelectedLocation = static_cast<std::uint16_t>(remembered);
        window = std::make_unique<TFrmLocation>(nullptr, sites);
        window->show();
        return *window;
    }

    std::string file() const { return readText(sites.LocationFile.string()); }
    void typeSiteName(TFrmLocation& w, const QString& name) {
        w.ComboBoxSite->lineEdit()->setText(name);
        emit w.ComboBoxSite->lineEdit()->textEdited(name);
    }
    void choose(TFrmLocation& w, int index) {
        w.ComboBoxSite->setCurrentIndex(index);
        emit w.ComboBoxSite->activated(index);
    }
    static void setPosition(TFrmLocation& w, const char* d1, const char* m1, const char* s1, const char* d2,
                            const char* m2, const char* s2) {
        w.EditLat1->setText(d1);
        w.EditLat2->setText(m1);
        w.EditLat3->setText(s1);
        w.EditLong1->setText(d2);
        w.EditLong2->setText(m2);
        w.EditLong3->setText(s2);
    }

    test::TempDir dir;
    ScriptedPrompter prompter;
    SiteList sites;
    std::unique_ptr<TFrmLocation> window;
};

TEST_F(SiteWindow, FormHasItsControls) {
    TFrmLocation w(nullptr, sites);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("位置情報"));
    EXPECT_EQ(w.size(), QSize(246, 148));
    // A fixed model list always has a model selected.
    EXPECT_EQ(w.ComboBoxModel->currentIndex(), 2);
    EXPECT_FALSE(w.ComboBoxModel->isEditable());
}

TEST_F(SiteWindow, ShowingSelectsTheRememberedSiteAndComputes) {
    TFrmLocation& w = show("a,37,138\r\n" + utf8ToCp932("京都") + ",35.745,135.125\r\n", 2);
    ASSERT_EQ(w.ComboBoxSite->count(), 3);
    EXPECT_EQ(w.ComboBoxSite->itemText(1), QStringLiteral("京都"));
    EXPECT_EQ(w.ComboBoxSite->itemText(2), QStringLiteral("新規"));
    EXPECT_EQ(w.ComboBoxSite->currentIndex(), 1);
    EXPECT_EQ(w.EditLat1->text() + " " + w.EditLat2->text() + " " + w.EditLat3->text(), "35 44 42");
    EXPECT_EQ(w.EditLong1->text() + " " + w.EditLong2->text() + " " + w.EditLong3->text(), "135 07 30");

    choose(w, 0);
    EXPECT_EQ(sites.SelectedLocation, 1);
    EXPECT_EQ(w.EditDeclination->text(), "7.68");
    EXPECT_EQ(w.Declination, static_cast<double>(7.68f));
    w.ComboBoxModel->setCurrentIndex(0);
    EXPECT_EQ(w.EditDeclination->text(), "7.38");
    EXPECT_EQ(w.Declination, static_cast<double>(7.38f));

    // "新規" shows the empty entry after the list and remembers SiteCount + 1.
    choose(w, 2);
    EXPECT_EQ(sites.SelectedLocation, 3);
    EXPECT_EQ(w.EditLat1->text() + w.EditLat2->text() + w.EditLat3->text(), "000000");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SiteWindow, RememberedZeroSelectsNothingAndKeepsTheDeclination) {
    sites.Declination = 3.25;
    TFrmLocation& w = show("a,37,138\r\n", 0);
    EXPECT_EQ(w.ComboBoxSite->currentIndex(), -1);
    EXPECT_EQ(w.Declination, 3.25);
    w.BitBtnDelClick();  // nothing selected: nothing deleted
    EXPECT_EQ(file(), "a,37,138\r\n");
}

TEST_F(SiteWindow, StoreNewSitesAndUpdateOne) {
    TFrmLocation& w = show("a,37,138\r\n", 1);

    choose(w, 1);  // "新規"
    typeSiteName(w, QStringLiteral("南"));
    setPosition(w, "-35", "44", "42", "135", "075", "30");
    w.BitBtnAddClick();
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    EXPECT_EQ(file(), "a,37,138\r\n" + utf8ToCp932("南") + ",-35.7449989318848,135.125\r\n");
    ASSERT_EQ(w.ComboBoxSite->count(), 3);
    EXPECT_EQ(w.ComboBoxSite->itemText(1), QStringLiteral("南"));
    EXPECT_EQ(w.ComboBoxSite->itemText(2), QStringLiteral("新規"));

    // Pressing again stores over the same site instead of adding it twice.
    w.EditLat3->setText("43");
    w.BitBtnAddClick();
    EXPECT_EQ(sites.SiteCount, 2);

    // The negative position shows with its sign on the degrees and reads back.
    choose(w, 1);
    EXPECT_EQ(w.EditLat1->text() + " " + w.EditLat2->text() + " " + w.EditLat3->text(), "-35 44 43");

    // After the next showing the list holds the names followed by one "新規".
    w.hide();
    w.show();
    ASSERT_EQ(w.ComboBoxSite->count(), 3);
    EXPECT_EQ(w.ComboBoxSite->itemText(1), QStringLiteral("南"));
}

TEST_F(SiteWindow, AnUnsavedNewEntryLeavesTheDeclinationInForce) {
    TFrmLocation& w = show("a,37,138\r\n", 1);
    const double atSite = static_cast<double>(7.68f);
    ASSERT_EQ(w.Declination, atSite);

    choose(w, 1);  // "新規": no position yet, so nothing to show
    EXPECT_EQ(w.EditDeclination->text().toStdString(), "");
    EXPECT_EQ(w.Declination, atSite);
    w.ComboBoxModel->setCurrentIndex(1);
    EXPECT_EQ(w.EditDeclination->text().toStdString(), "");
    w.ComboBoxModel->setCurrentIndex(2);

    setPosition(w, "35", "00", "00", "135", "00", "00");
    emit w.EditLong1->textEdited(w.EditLong1->text());
    w.ButtonCalClick();
    const float typed = CalcDeclination(2, 35, 135);
    EXPECT_EQ(w.EditDeclination->text().toStdString(), DeclinationText(typed));  // shown, not used
    EXPECT_EQ(w.Declination, atSite);

    typeSiteName(w, QStringLiteral("b"));
    w.BitBtnAddClick();  // stored and selected: now it is the site in force
    EXPECT_EQ(w.Declination, static_cast<double>(typed));

    choose(w, 0);
    EXPECT_EQ(w.Declination, atSite);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
}

TEST_F(SiteWindow, AComputedValueNotInForceIsMarkedUnsaved) {
    TFrmLocation& w = show("a,37,138\r\n", 1);
    auto marked = [&w] {
        for (QLabel* l : w.findChildren<QLabel*>())
            if (l->isVisible() && l->text() == QStringLiteral("未登録")) return true;
        return false;
    };
    auto typePosition = [&](const char* lat) {
        setPosition(w, lat, "00", "00", "135", "00", "00");
        emit w.EditLat1->textEdited(w.EditLat1->text());
        w.ButtonCalClick();
    };
    EXPECT_FALSE(marked());  // the stored site's value is the one in force

    choose(w, 1);
    EXPECT_FALSE(marked());  // "新規": nothing shown yet
    typePosition("35");
    EXPECT_TRUE(marked());
    w.ComboBoxModel->setCurrentIndex(0);
    EXPECT_TRUE(marked());
    typeSiteName(w, QStringLiteral("b"));
    w.BitBtnAddClick();
    EXPECT_FALSE(marked());  // stored: now in force

    choose(w, 2);
    typePosition("36");
    ASSERT_TRUE(marked());
    choose(w, 0);
    EXPECT_FALSE(marked());

    choose(w, 2);
    typePosition("36");
    ASSERT_TRUE(marked());
    w.EditDeclination->setText("7.5");  // a typed value is in force at once
    EXPECT_EQ(w.Declination, 7.5);
    EXPECT_FALSE(marked());
}

TEST_F(SiteWindow, RefusedNamesLeaveTheFileAlone) {
    TFrmLocation& w = show("a,37,138\r\n");
    for (QString name : {QStringLiteral("a,b"), QStringLiteral("\U0001F600")}) {
        typeSiteName(w, name);
        setPosition(w, "35", "00", "00", "135", "00", "00");
        prompter.shown.clear();
        w.BitBtnAddClick();
        EXPECT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(sites.SiteCount, 1);
        EXPECT_EQ(file(), "a,37,138\r\n");
    }
    // A coordinate that is not a number is reported and nothing is stored.
    typeSiteName(w, "b");
    setPosition(w, "35", "x", "00", "135", "00", "00");
    prompter.shown.clear();
    w.BitBtnAddClick();
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(file(), "a,37,138\r\n");
}

TEST_F(SiteWindow, DeleteTheLastSite) {
    TFrmLocation& w = show("a,1,2\r\nb,3,4\r\nc,5,6\r\n", 3);
    ASSERT_EQ(w.ComboBoxSite->currentIndex(), 2);
    w.BitBtnDelClick();
    EXPECT_EQ(file(), "a,1,2\r\nb,3,4\r\n");
    ASSERT_EQ(w.ComboBoxSite->count(), 3);
    EXPECT_EQ(w.ComboBoxSite->itemText(2), QStringLiteral("新規"));
    // Nothing is selected afterwards, so a second press deletes nothing.
    w.BitBtnDelClick();
    EXPECT_EQ(sites.SiteCount, 2);
    // "新規" now shows an empty position, not the deleted site's.
    choose(w, 2);
    EXPECT_EQ(w.EditLat1->text(), "00");
    choose(w, 0);
    w.BitBtnDelClick();
    EXPECT_EQ(file(), "b,3,4\r\n");
}

TEST_F(SiteWindow, DamagedFileIsReportedOnceAndNotRewritten) {
    const std::string damaged = "a,1,2\r\nb,x,4\r\n";
    TFrmLocation& w = show(damaged, 1);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(w.ComboBoxSite->count(), 2);
    w.BitBtnDelClick();
    typeSiteName(w, "new");
    w.BitBtnAddClick();
    EXPECT_EQ(file(), damaged);
    EXPECT_EQ(sites.SiteCount, 1);
    EXPECT_EQ(w.ComboBoxSite->count(), 2);
}

TEST_F(SiteWindow, TypedDeclinationIgnoresTextThatIsNoNumber) {
    TFrmLocation w(nullptr, sites);
    w.EditDeclination->setText("-5.5");
    EXPECT_EQ(w.Declination, -5.5);
    w.EditDeclination->setText("");
    w.EditDeclination->setText("-");
    w.EditDeclination->setText("7,5");
    EXPECT_EQ(w.Declination, -5.5);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SiteWindow, EnterMovesTheFocusAlongTheFields) {
    TFrmLocation& w = show("a,37,138\r\n");
    QApplication::setActiveWindow(&w);
    w.activateWindow();
    QWidget* chain[] = {w.ComboBoxSite, w.EditLat1, w.EditLat2, w.EditLat3, w.EditLong1,
                        w.EditLong2,    w.EditLong3, w.BitBtnAdd};
    w.ComboBoxSite->setFocus();
    QApplication::processEvents();
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
        QWidget* target = i == 0 ? w.ComboBoxSite->lineEdit() : chain[i];
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(QApplication::focusWidget(), chain[i + 1]) << "after field " << i;
    }
    // Other keys pass to the field.
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
    w.EditLat2->setText("");
    QApplication::sendEvent(w.EditLat2, &digit);
    EXPECT_EQ(w.EditLat2->text(), "5");
    // The handler form clears the key it used.
    char key = 13;
    w.EditLat1KeyPress(key);
    EXPECT_EQ(key, 0);
    key = 'x';
    w.EditLat1KeyPress(key);
    EXPECT_EQ(key, 'x');
}

}  // namespace
}  // namespace brine
