#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "platform/api/file_dialog.h"
#include "platform/qt_file_dialog.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

TEST(FileFilter, ParsesDescriptionsAndPatterns) {
    auto entries = ParseFileFilter("標準時系列ﾌｧｲﾙ(*.sdf;*.tsd)|*.sdf;*.tsd|全て|*.*");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].description, "標準時系列ﾌｧｲﾙ(*.sdf;*.tsd)");
    EXPECT_EQ(entries[0].patterns, (std::vector<std::string>{"*.sdf", "*.tsd"}));
    EXPECT_EQ(entries[1].patterns, (std::vector<std::string>{"*.*"}));
    EXPECT_TRUE(ParseFileFilter("").empty());
    auto lone = ParseFileFilter("only a description");
    ASSERT_EQ(lone.size(), 1u);
    EXPECT_TRUE(lone[0].patterns.empty());
}

TEST(FileFilter, TranslatesForQtWithBothCases) {
    (void)test::qtApp();
    QStringList f = QtNameFilters("標準時系列ﾌｧｲﾙ(*.sdf)|*.SDF|ﾃｷｽﾄ|*.sdf;*.Tsd|全て|*.*");
    ASSERT_EQ(f.size(), 3);
    EXPECT_EQ(f[0], QStringLiteral("標準時系列ﾌｧｲﾙ(*.sdf) (*.SDF *.sdf)"));
    EXPECT_EQ(f[1], QStringLiteral("ﾃｷｽﾄ (*.sdf *.SDF *.Tsd *.tsd *.TSD)"));
    EXPECT_EQ(f[2], QStringLiteral("全て (*)"));
}

TEST(FileDialogs, ExtensionRules) {
    EXPECT_EQ(WithDefaultExtension("out", "sdf"), "out.sdf");
    EXPECT_EQ(WithDefaultExtension("out.dat", "sdf"), "out.dat");
    EXPECT_EQ(WithDefaultExtension("out", ""), "out");
    EXPECT_EQ(WithExtensionReplaced("/d.v2/out.dat", "sdf"), "/d.v2/out.sdf");
    EXPECT_EQ(WithExtensionReplaced("/d.v2/out", "sdf"), "/d.v2/out.sdf");
    EXPECT_EQ(WithExtensionReplaced("out.tsd", ""), "out");
}

TEST(FileDialogs, ATypedExistingNameOpensWhateverTheFilter) {
    test::qtApp();
    test::TempDir dir;
    const std::string addc = dir.file("a1.addc");  // its kind comes from its content
    test::writeText(addc, "AD/DC DATA FILE Ver.2   ");
    test::writeText(dir.file("b.sdf"), "x");

    bool enabledForMissing = true, enabledForExisting = false;
    // Types into the dialog like a user once it shows, then presses "Open".
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
        auto* box = dlg->findChild<QDialogButtonBox*>("buttonBox");
        if (!edit || !box) {
            ADD_FAILURE() << "not Qt's own file dialog";
            dlg->reject();
            return;
        }
        QPushButton* open = box->button(QDialogButtonBox::Open);
        auto settle = [] {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
        };
        edit->setText(QString::fromStdString(dir.file("missing.addc")));
        settle();
        enabledForMissing = open->isEnabled();
        edit->setText(QString::fromStdString(addc));
        settle();
        enabledForExisting = open->isEnabled();
        open->click();
        if (dlg->isVisible()) dlg->reject();
    });
    QtFileChooser chooser;
    FileDialogSettings s;
    s.Filter = "ADDC/DRF/SDF/TSD files (*.drf,*.sdf,*.tsd)|*.drf;*.sdf;*.tsd";
    s.InitialDir = dir.path().string();
    s.MultiSelect = true;
    ASSERT_TRUE(chooser.Execute(FileDialogKind::Open, s));
    EXPECT_FALSE(enabledForMissing);
    EXPECT_TRUE(enabledForExisting);
    EXPECT_EQ(s.Files, std::vector<std::string>{addc});
}

TEST(FileDialogs, EachFilterIsNamedOnceAndTheOneChosenIsReported) {
    test::qtApp();
    test::TempDir dir;
    const std::string file = dir.file("a.sdf");
    test::writeText(file, "x");

    QStringList shown;
    int preselected = -1;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        auto* types = dlg->findChild<QComboBox*>("fileTypeCombo");
        auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
        if (!types || !edit) {
            ADD_FAILURE() << "not Qt's own file dialog";
            dlg->reject();
            return;
        }
        for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
        preselected = types->currentIndex();
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(types, &up);  // the user picks the first type
        edit->setText(QString::fromStdString(file));
        if (auto* box = dlg->findChild<QDialogButtonBox*>("buttonBox")) box->button(QDialogButtonBox::Open)->click();
        if (dlg->isVisible()) dlg->reject();
    });
    QtFileChooser chooser;
    FileDialogSettings s;
    s.Filter = "ADDC/DRF/SDF/TSD files (*.drf,*.sdf,*.tsd)|*.drf;*.sdf;*.tsd|すべてのファイル(*.*)|*.*";
    s.FilterIndex = 2;
    s.InitialDir = dir.path().string();
    ASSERT_TRUE(chooser.Execute(FileDialogKind::Open, s));
    EXPECT_EQ(shown.join(" | ").toStdString(), "ADDC/DRF/SDF/TSD files (*.drf,*.sdf,*.tsd) | すべてのファイル(*.*)");
    EXPECT_EQ(preselected, 1);
    EXPECT_EQ(s.FilterIndex, 1);
    EXPECT_EQ(s.FileName, file);
}

TEST(FileDialogs, ScriptedChooserAnswersAndRecords) {
    ScriptedFileChooser chooser;
    FileDialog save(FileDialogKind::Save);
    save.DefaultExt = "sdf";
    save.Filter = "x|*.sdf";
    save.FileName = "proposed.sdf";
    chooser.choose("/tmp/out");
    chooser.cancel();
    ASSERT_TRUE(save.Execute(chooser));
    EXPECT_EQ(save.FileName, "/tmp/out.sdf");
    EXPECT_EQ(save.Files, (std::vector<std::string>{"/tmp/out.sdf"}));
    EXPECT_FALSE(save.Execute(chooser));
    EXPECT_EQ(save.FileName, "/tmp/out.sdf");  // cancel keeps the last choice
    ASSERT_EQ(chooser.asked.size(), 2u);
    EXPECT_EQ(chooser.asked[0].settings.FileName, "proposed.sdf");
    EXPECT_EQ(chooser.asked[0].kind, FileDialogKind::Save);

    FileDialog open(FileDialogKind::Open);
    chooser.chooseMany({"a.sdf", "b.sdf"});
    ASSERT_TRUE(open.Execute(chooser));
    EXPECT_EQ(open.Files.size(), 1u);  // one file unless multiple selection is on
    open.MultiSelect = true;
    chooser.chooseMany({"a.sdf", "b.sdf"});
    ASSERT_TRUE(open.Execute(chooser));
    EXPECT_EQ(open.Files, (std::vector<std::string>{"a.sdf", "b.sdf"}));
    EXPECT_EQ(open.FileName, "a.sdf");
    EXPECT_THROW(open.Execute(chooser), std::logic_error);
}

}  // namespace
}  // namespace brine
