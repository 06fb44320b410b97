#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTimer>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>

#include "app/about_box.h"
#include "sites/site_window.h"
#include "core/ui/header_dialog.h"
#include "importers/raw_dialog.h"
#include "importers/comma_dialog.h"
#include "importers/yearly_table_dialog.h"
#include "importers/pressure_box.h"
#include "importers/dl2_dialog.h"
#include "importers/vector_dialog.h"
#include "importers/wave_hunter_dialog.h"
#include "app/main_window.h"
#include "base/path_text.h"
#include "app/startup.h"
#include "app_test_support.h"
#include "base/cp932.h"
#include "core/sdf_builder.h"
#include "core/ui/progress_window.h"
#include "platform/api/scripted.h"
#include "platform/html_help.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "support/temp_dir.h"
#include "tools/extract_dialog.h"
#include "tools/link_dialog.h"
#include "tools/merge_dialog.h"

namespace brine {
namespace {

using test::TempDir;

TEST(Startup, CreatesTheFifteenDialogsOnceInOrderBehindTheirGlobals) {
    InitApplication();
    EXPECT_EQ(ApplicationTitle(), "Brinelog 4");
    CreateForms();
    ASSERT_NE(Form1, nullptr);
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Brinelog4"));

    std::vector<std::string> created;
    for (QObject* child : Form1->children())
        if (auto* d = qobject_cast<QDialog*>(child)) {
            created.push_back(d->metaObject()->className());
            EXPECT_FALSE(d->isVisible()) << created.back();
        }
    EXPECT_EQ(created, (std::vector<std::string>{
                           "brine::TFrmProgress", "brine::TAboutBox", "brine::TFrmWaveHunter", "brine::TFrmLocation",
                           "brine::TFrmSDFdata", "brine::TFrmKyowaS", "brine::TFrmAlec", "brine::TFrmCombineSDF",
                           "brine::TFrmLinkSDF", "brine::TFrmDateYearTable", "brine::TFrmEditSDF",
                           "brine::TFrmCommaData", "brine::TFrmNortek", "brine::TFrmInputBox"}));
    std::vector<QDialog*> globals{FrmProgress, AboutBox,   FrmWaveHunter,    FrmLocation, FrmSDFdata,
                                  FrmKyowaS,   FrmAlec,    FrmCombineSDF,    FrmLinkSDF,  FrmDateYearTable,
                                  FrmEditSDF,  FrmCommaData, FrmNortek,      FrmInputBox};
    std::vector<std::string> globalClasses;
    for (QDialog* d : globals) {
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->parent(), Form1);
        globalClasses.push_back(d->metaObject()->className());
    }
    EXPECT_EQ(globalClasses, created);
    DestroyForms();
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(FrmInputBox, nullptr);
}

// The text a label, button, edit or combo box shows, when it needs more room
// than the control gives it (an edit then scrolls, a label cuts or runs over).
std::optional<std::string> cutText(QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    QString text;
    QSize need, have;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        text = l->text();
        have = l->size();
        need = l->wordWrap() ? QSize(have.width(), l->heightForWidth(have.width())) : l->sizeHint();
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        text = b->text();
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = text;
        opt.icon = b->icon();
        opt.iconSize = b->iconSize();
        const QStyle::SubElement contents = qobject_cast<QCheckBox*>(b)      ? QStyle::SE_CheckBoxContents
                                            : qobject_cast<QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                                             : QStyle::SE_PushButtonContents;
        have = b->style()->subElementRect(contents, &opt, b).size();
        need = fm.size(Qt::TextShowMnemonic, text);
        if (!b->icon().isNull()) need.rwidth() += b->iconSize().width() + 4;  // the icon and its gap
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        text = e->displayText();
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
        have = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).marginsRemoved(e->textMargins()).size();
        have.rwidth() -= 4;  // the edit keeps 2 pixels each side of its text
        need = QSize(fm.horizontalAdvance(text), fm.height());
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        text = c->currentText();
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.editable = c->isEditable();
        opt.frame = c->hasFrame();
        opt.currentText = text;
        have = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c).size();
        need = QSize(fm.horizontalAdvance(text) + (c->isEditable() ? 4 : 0), fm.height());
    }
    if (text.isEmpty() || (need.width() <= have.width() && need.height() <= have.height())) return std::nullopt;
    return w->objectName().toStdString() + " \"" + text.toStdString() + "\" needs " + std::to_string(need.width()) +
           "x" + std::to_string(need.height()) + ", has " + std::to_string(have.width()) + "x" +
           std::to_string(have.height());
}

// Every dialog at its default size, those that show a file's header filled
// with the widest values a header holds: no visible label, edit, list, combo
// box or button is drawn over another one (a caption across an edit hides
// both), and none cuts its text (a number cut reads as another number).
std::vector<std::string> layoutFaults() {
    ScriptedPrompter prompter;
    SetAppPrompter(&prompter);
    test::RecordingChooser chooser;
    SetAppFileChooser(&chooser);
    CreateForms();

    TempDir dir;
    test::SdfSpec widest;
    widest.nch = 1;
    widest.nch2 = 1;
    widest.sampleSize = 1;
    widest.iterations = 32767;
    widest.sInt = widest.bInt = std::numeric_limits<std::int32_t>::max();
    widest.sitUnit = widest.bitUnit = 1;  // msec, the widest unit name
    widest.startTime = 45000.999;
    for (int b = 0; b < widest.iterations; ++b) widest.records.push_back(test::record(b, 1, 1, 1));
    const std::string file = dir.file("widest.sdf");
    test::writeAll(file, test::buildSdf(widest));
    CurrentFile& m = AppModel();
    EXPECT_TRUE(m.ReadHeader(file)) << prompter.lastText();
    m.SampleSize = std::numeric_limits<std::int32_t>::max();
    m.SInt = 1;
    m.SITUnit = 0;
    m.DisplayUnit = 8;  // 1 usec in years: the longest number the interval edit shows
    FrmSDFdata->InitForm();  // as the main window's first showing does
    FrmSDFdata->ShowHeader();
    Form1->OpenDialog1.FileName = file;
    Form1->OpenDialog1.Files = {file};
    chooser.choices.push_back({file});
    SetModalHook([](QDialog&) { return int(QDialog::Rejected); });
    FrmLinkSDF->Execute();
    FrmCombineSDF->Execute();
    SetModalHook({});
    EXPECT_EQ(FrmSDFdata->EditSInt->text(), QStringLiteral("3.170979E-14"));
    EXPECT_EQ(FrmCombineSDF->LabeledEditSampInterval->text(), QStringLiteral("2147483647 msec"));
    EXPECT_EQ(FrmLinkSDF->EditSampInterval->text(), QStringLiteral("2147483647 msec"));

    // The controls a user reads or uses; not the parts they are made of.
    auto control = [](QWidget* w) {
        for (QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
            if (qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QComboBox*>(p)) return false;
        return qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
               qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractScrollArea*>(w);
    };
    auto describe = [](QWidget* w) {
        return w->objectName().toStdString() + " \"" + w->property("text").toString().toStdString() + "\"";
    };
    std::vector<std::string> faults;
    for (QObject* child : Form1->children()) {
        auto* d = qobject_cast<QDialog*>(child);
        if (!d) continue;
        d->show();
        std::vector<QWidget*> shown;
        for (QWidget* w : d->findChildren<QWidget*>())
            if (w->window() == d && w->isVisibleTo(d) && control(w)) shown.push_back(w);
        auto rect = [d](QWidget* w) { return QRect(w->mapTo(d, QPoint(0, 0)), w->size()); };
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (std::optional<std::string> cut = cutText(shown[i]))
                faults.push_back(d->objectName().toStdString() + ": " + *cut);
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                if (rect(shown[i]).intersects(rect(shown[j])))
                    faults.push_back(d->objectName().toStdString() + ": " + describe(shown[i]) + " over " +
                                     describe(shown[j]));
        }
        d->hide();
    }
    DestroyForms();
    SetAppFileChooser(nullptr);
    SetAppPrompter(nullptr);
    return faults;
}

// The fonts follow the locale (under a Japanese one every letter takes the
// Japanese font), and they are chosen once a process: each locale is tried
// in a process of its own.
TEST(Startup, NoDialogShowsItsControlsOverEachOtherOrCutsTheirText) {
    const QString test = QStringLiteral("Startup.NoDialogShowsItsControlsOverEachOtherOrCutsTheirText");
    if (const char* locale = std::getenv("BRINE_LAYOUT_LOCALE")) {
        EXPECT_EQ(QLocale::system().language(),
                  std::string(locale) == "C.UTF-8" ? QLocale::C : QLocale::Japanese);
        std::string faults;
        for (const std::string& f : layoutFaults()) faults += "\n" + f;
        EXPECT_TRUE(faults.empty()) << locale << faults;
        return;
    }
    for (const char* locale : {"C.UTF-8", "ja_JP.UTF-8"}) {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LANG", "BRINE_LAYOUT_LOCALE"}) env.insert(name, locale);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
        ASSERT_TRUE(run.waitForFinished(120000)) << locale;
        const QString out = QString::fromUtf8(run.readAll());
        EXPECT_TRUE(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0 && out.contains("1 test."))
            << locale << "\n" << out.toStdString();
    }
}

TEST(Startup, AFileSizeLimitFailsTheWriteInsteadOfEndingTheProgram) {
    ::signal(SIGXFSZ, SIG_DFL);  // as a new process has it
    InitApplication();
    TempDir dir;
    test::SdfSpec spec;
    spec.version = '2';
    spec.sampleSize = 100;
    spec.iterations = 8;
    for (int b = 0; b < spec.iterations; ++b) spec.records.push_back(test::record(b, 2, 100, 1));
    const std::vector<std::uint8_t> old = test::buildSdf(spec);
    const std::string path = dir.file("old.sdf");
    test::writeAll(path, old);

    // The version update runs in a child under a limit smaller than the new file.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        rlimit small{};
        ::getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 2048;
        ::setrlimit(RLIMIT_FSIZE, &small);
        int code = 3;
        try {
            CurrentFile m;
            ScriptedPrompter prompter;
            prompter.answer(MsgResult::Yes);
            m.prompter = &prompter;
            code = m.ReadSDFHeader(path) ? 1 : prompter.showedText("データ形式を更新できません。") ? 0 : 2;
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);  // refused with the update's message
    EXPECT_EQ(test::readAll(path), old);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"old.sdf"});  // no temporary file left
}

TEST(Startup, QtsOwnDialogsButtonsAndEditMenusAreJapanese) {
    InitApplication();
    TempDir dir;
    QStringList fileDialog, question, editMenu;
    QTimer::singleShot(0, [&] {
        QWidget* dlg = QApplication::activeModalWidget();
        ASSERT_NE(dlg, nullptr);
        fileDialog << dlg->windowTitle();
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            if (auto* label = dlg->findChild<QLabel*>(name)) fileDialog << label->text();
        if (auto* box = dlg->findChild<QDialogButtonBox*>("buttonBox"))
            for (QAbstractButton* b : box->buttons()) fileDialog << b->text();
        if (auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit")) {
            std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) editMenu << a->text().section('\t', 0, 0);
        }
        static_cast<QDialog*>(dlg)->reject();
    });
    QtFileChooser files;
    FileDialogSettings open;
    open.InitialDir = dir.path().string();
    EXPECT_FALSE(files.Execute(FileDialogKind::Open, open));
    EXPECT_EQ(fileDialog.join(" ").toStdString(), "開く アドレス: ファイル名(&N): ファイルの種類: 開く(&O) キャンセル");
    EXPECT_EQ(editMenu.join(" ").toStdString(),
              "元に戻す(&U) やり直す(&R) 切り取り(&T) コピー(&C) 貼り付け(&P) 削除 すべてを選択");

    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons()) question << b->text();
        box->button(QMessageBox::No)->click();
    });
    QtPrompter prompter;
    EXPECT_FALSE(prompter.confirm(Question(Tx::LinkIntervalMode)));
    question.sort();
    EXPECT_EQ(question.join(" ").toStdString(), "いいえ(&N) はい(&Y)");
}

// Every command bound to a recorder, to see what it hands over.
struct Recorder {
    std::vector<std::string> calls;
    void bindAll(MainTargets& t) {
        auto file = [this](const char* tag) {
            return [this, tag](const std::string& f) { calls.push_back(std::string(tag) + " " + f); };
        };
        t.convertToSdf = [this](const std::vector<std::string>& f) { calls.push_back("convertToSdf " + f.front()); };
        t.convertSdfToTsd = file("convertSdfToTsd");
        t.openWaveHunterMaster = file("openWaveHunterMaster");
        t.openCompactFile = file("openCompactFile");
        t.openCompactWHFile = file("openCompactWHFile");
        t.openCompactEMFile = file("openCompactEMFile");
        t.openInfinityEMFile = file("openInfinityEMFile");
        t.openInfinityFile = file("openInfinityFile");
        t.openNortekHeader = file("openNortekHeader");
        t.openDL2File = file("openDL2File");
        auto reader = [this](const char* tag) {
            return [this, tag](const std::string& f) {
                calls.push_back(std::string(tag) + " " + f);
                return false;
            };
        };
        t.readMeteorologicalCsv = reader("readMeteorologicalCsv");
        t.readPortWaveFile = reader("readPortWaveFile");
        t.readFishingPortCsv = reader("readFishingPortCsv");
        t.openCommaFile = reader("openCommaFile");
        t.commaBurstMode = [] { return false; };
        t.commaTempFileName = [] { return std::string(); };
        t.proposeOutputName = file("proposeOutputName");
        t.loadDateYearTable = [this](const std::string& f, int mode) {
            calls.push_back("loadDateYearTable " + f + " " + std::to_string(mode));
            return loadTableResult;
        };
        t.showDateYearTable = [this] { calls.push_back("showDateYearTable"); };
        t.convertCadmasSurf = [this] { calls.push_back("convertCadmasSurf"); };
        t.setExtractSkipVisible = [this](bool v) { calls.push_back(v ? "skip shown" : "skip hidden"); };
        t.extractFile = [this](const std::string& f) {
            calls.push_back("extractFile " + f);
            return 1;
        };
        t.combineFiles = [this] { calls.push_back("combineFiles"); };
        t.linkFiles = [this] { calls.push_back("linkFiles"); };
        t.showLocation = [this] { calls.push_back("showLocation"); };
    }
    bool loadTableResult = true;
};

class MainWindowTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SetModalHook([this](QDialog& d) {
            modal.push_back(d.objectName().toStdString());
            if (onModal) onModal();
            return int(QDialog::Accepted);
        });
        about = std::make_unique<TAboutBox>();
        AboutBox = about.get();
    }
    void TearDown() override {
        AppTest::TearDown();
        AboutBox = nullptr;
    }
    std::unique_ptr<TForm1> MakeForm() {
        auto form = std::make_unique<TForm1>();
        form->UseConfigDir(dir.path().string() + "/");
        return form;
    }
    // A form whose every command is bound to `rec`.
    std::unique_ptr<TForm1> MakeBoundForm() {
        auto form = MakeForm();
        rec.bindAll(form->Targets);
        form->Targets.headerSave = &header;
        form->UpdateCommands();
        return form;
    }
    std::string params() const { return dir.file("Parameters.dat"); }

    TempDir dir;
    Recorder rec;
    test::DirectHeaderSave header{AppModel(), dir.file("o.sdf")};
    std::vector<std::string> modal;
    std::function<void()> onModal;
    std::unique_ptr<TAboutBox> about;
};

// The window is painted before the splash shows; the start-up steps run once.
TEST_F(MainWindowTest, FirstShowRunsItsStepsInOrderOnce) {
    struct PaintCounter : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++count;
            return false;
        }
    } paints;
    auto form = MakeForm();
    form->installEventFilter(&paints);
    test::writeText(params(), "\r\n\r\n5\r\n");
    std::vector<std::string> steps;
    form->Targets.initHeaderDialog = [&] { steps.push_back("InitForm"); };
    form->Targets.initCommaData = [&] { steps.push_back("InitDefaults"); };
    bool helpSetDuringSplash = true;
    int locationDuringSplash = -1, paintsAtSplash = -1;
    onModal = [&] {
        steps.push_back("splash");
        helpSetDuringSplash = HelpFileName != nullptr;
        locationDuringSplash = form->SelectedLocation;
        paintsAtSplash = paints.count;
    };
    HelpFileName.reset();

    test::ShowMainWindow(*form);
    EXPECT_EQ(steps, (std::vector<std::string>{"InitForm", "InitDefaults", "splash"}));
    EXPECT_EQ(modal, (std::vector<std::string>{"AboutBox"}));
    EXPECT_GT(paintsAtSplash, 0);
    EXPECT_FALSE(helpSetDuringSplash);
    EXPECT_EQ(locationDuringSplash, 0);
    ASSERT_NE(HelpFileName, nullptr);
    EXPECT_EQ(std::string(HelpFileName.get()),
              WithExtension(QApplication::applicationFilePath().toStdString(), ".chm"));
    EXPECT_EQ(form->SelectedLocation, 5);
    EXPECT_EQ(form->AppDir, IncludeTrailingPathDelimiter(QApplication::applicationDirPath().toStdString()));

    form->hide();
    form->show();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(steps.size(), 3u);
}

// Without Parameters.dat: nothing restored, and closing writes empty lines and 0.
TEST_F(MainWindowTest, FirstShowingAndClosingWriteOnlyIntoTheConfigurationFolder) {
    // The program folder's configuration files, as (exists, time written).
    const std::filesystem::path programFolder = QApplication::applicationDirPath().toStdString();
    auto state = [&] {
        std::vector<std::pair<bool, std::filesystem::file_time_type>> s;
        for (const char* name : {"Location.dat", "Parameters.dat"}) {
            std::error_code ec;
            const auto p = programFolder / name;
            s.emplace_back(std::filesystem::exists(p, ec), std::filesystem::last_write_time(p, ec));
        }
        return s;
    };
    const auto before = state();
    auto form = MakeForm();
    test::ShowMainWindow(*form);
    EXPECT_EQ(form->OpenDialog1.FileName, "");
    EXPECT_EQ(form->SelectedLocation, 0);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(state(), before);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Location.dat", "Parameters.dat"}));
    EXPECT_EQ(test::readText(params()), "\r\n\r\n0\r\n");
}

TEST_F(MainWindowTest, ParametersRestoreFileFolderAndSiteAndIgnoreWhatIsNoLongerValid) {
    const std::string data = dir.file("データ.sdf"), folder = dir.path().string();
    test::writeText(data, "x");
    struct Case {
        std::string lines, file, folder;
        int location;
    };
    const std::vector<Case> cases{
        {utf8ToCp932(data) + "\r\n" + folder + "\r\n9\r\n", data, folder, 9},
        {dir.file("gone.sdf") + "\r\n" + dir.file("gone") + "\r\n1\r\n", "", "", 1},  // names gone
        // An invalid third line is ignored and the rest still loads.
        {"\r\n" + folder + "\r\n12a\r\n", "", folder, 0},
        {"\r\n" + folder + "\r\n70000\r\n", "", folder, 0},
        {"\r\n" + folder + "\r\n-3\r\n", "", folder, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        test::writeText(params(), c.lines);
        auto form = MakeForm();
        test::ShowMainWindow(*form);
        EXPECT_EQ(form->OpenDialog1.FileName, c.file);
        EXPECT_EQ(form->OpenDialog1.InitialDir, c.folder);
        EXPECT_EQ(form->SaveDialog1.InitialDir, c.folder);
        EXPECT_EQ(form->SelectedLocation, c.location);
        EXPECT_TRUE(prompter.shown.empty());
    }
}

// A damaged settings file (a NUL byte, never its text) that no journal puts
// back is told of at start-up, and the close writes no default settings over
// it. Files of the user's named like copies are neither named as copies nor
// touched.
TEST_F(MainWindowTest, ADamagedParametersFileIsToldOfAtStartUpAndKeptAtClose) {
    using namespace std::string_literals;
    const std::string damaged = "\0ata/a.sdf\r\n/data\r\n3\r\n"s;
    const std::string newCopy = dir.file("Parameters.new-Ab3dE9.dat"), oldCopy = dir.file("Parameters.old-Ab3dE9.dat");
    test::writeText(params(), damaged);
    test::writeText(newCopy, "/data/b.sdf\r\n/data\r\n4\r\n");
    test::writeText(oldCopy, "/data/a.sdf\r\n/data\r\n3\r\n");
    auto form = MakeForm();
    test::ShowMainWindow(*form);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_NE(prompter.shown[0].text.find(params()), std::string::npos) << prompter.shown[0].text;
    for (const std::string& name : {newCopy, oldCopy})
        EXPECT_EQ(prompter.shown[0].text.find(name), std::string::npos) << prompter.shown[0].text;
    EXPECT_EQ(form->SelectedLocation, 0);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(test::readText(params()), damaged);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Location.dat", "Parameters.dat", "Parameters.new-Ab3dE9.dat",
                                                     "Parameters.old-Ab3dE9.dat"}));
}

TEST_F(MainWindowTest, ClosingRemembersTheFirstChosenFileAndNeverFailsToClose) {
    auto form = MakeForm();
    std::vector<std::string> converted;
    form->Targets.convertToSdf = [&](const std::vector<std::string>& f) { converted = f; };
    form->UpdateCommands();
    test::ShowMainWindow(*form);
    const std::string a = dir.file("a.sdf"), b = dir.file("b.sdf");
    chooser.choices.push_back({a, b});
    form->ADDCDRF1->trigger();
    EXPECT_EQ(converted, (std::vector<std::string>{a, b}));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(test::readText(params()), a + "\r\n" + dir.path().string() + "\r\n0\r\n");

    auto stuck = MakeForm();
    stuck->UseConfigDir(dir.file("missing") + "/");
    test::ShowMainWindow(*stuck);
    prompter.shown.clear();
    EXPECT_TRUE(stuck->close());
    EXPECT_FALSE(stuck->isVisible());
    // The settings that could not be kept are not lost without a word.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_TRUE(prompter.showedText("ファイルに書き込めません。\n" + dir.file("missing") + "/Parameters.dat"));
}

// The menu as a tree of "name caption" lines; "-" for separators.
void dumpMenu(const QList<QAction*>& actions, int depth, std::vector<std::string>& out) {
    for (QAction* a : actions) {
        std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
        if (a->isSeparator()) {
            out.push_back(indent + "-");
            continue;
        }
        out.push_back(indent + a->objectName().toStdString() + " " + a->text().toStdString());
        if (a->menu()) dumpMenu(a->menu()->actions(), depth + 1, out);
    }
}

TEST_F(MainWindowTest, MenuStructureCaptionsAndSeparators) {
    auto form = MakeForm();
    std::vector<std::string> lines;
    dumpMenu(form->MainMenu1->actions(), 0, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "File1 ファイル(&F)",
                         "  ADDCDRF1 ADDC/DRF/SDF/TSDからSDFへの変換(&A)",
                         "  SDFTSDT1 SDFからTSDへの変換(&T)",
                         "  Instrument 測器データ(&I)",
                         "    WavehunterW1 Wave Hunter, アイオーテクニック(&W)",
                         "    A1 JFEアドバンテック/旧アレック電子(&A)",
                         "      MDSMkV1 超小型メモリ計測器 MDS-MkV(&M)",
                         "      -",
                         "      CompactWH 波高計 Compact-WH(&W)",
                         "      CompactEMC1 流速計 Compact-EM(&C)",
                         "      CompactCLWL1 その他のCompact機器(&L)",
                         "      -",
                         "      InfinityI1 流速計 Infinity-EM(&I)",
                         "      InfinityCLWJ1 その他のInfinity機器(&J)",
                         "    VectorV1 Vector, Nortek(&V)",
                         "    DL2 DL-2, 協和商工(&K)",
                         "  P1 定点観測データ(&S)",
                         "    Meteolorogical 気象庁気象観測データ(&M)",
                         "    PortData ナウファスデータ(&P)",
                         "    FishingPort1 漁港波浪データベース(&F)",
                         "  TextdataT1 カンマ区切りデータ(&C)",
                         "    C1 バースト／インターバル計測データ(&C)",
                         "    TableData 年別表データ(&T)",
                         "      TableinDateYear 月日別年別表データ(&D)",
                         "      T1 旬別年別表データ(&T)",
                         "  N5 数値計算データ(&N)",
                         "    CADMASSURFC1 CADMAS-SURF(&C)",
                         "  -",
                         "  SDFE1 時系列ファイルからのデータ抽出(&E)",
                         "  CombineSDF 時系列ファイルの併合(&M)",
                         "  Link 時系列ファイルの連結(&L)",
                         "  -",
                         "  Exit1 終了(&Q)",
                         "I1 情報(&I)",
                         "  L1 位置情報(&L)",
                         "Help1 ヘルプ(&H)",
                         "  Contents1 目次(&C)",
                         "  -",
                         "  V1 バージョン情報(&V)",
                     }));
}

TEST_F(MainWindowTest, CommandsWithoutTheirTargetAreDisabled) {
    auto form = MakeForm();
    std::vector<std::string> enabled;
    for (QAction* a : form->findChildren<QAction*>())
        if (!a->objectName().isEmpty() && !a->menu() && a->isEnabled()) enabled.push_back(a->objectName().toStdString());
    std::sort(enabled.begin(), enabled.end());
    EXPECT_EQ(enabled, (std::vector<std::string>{"Contents1", "Exit1", "V1"}));

    // A single-burst command also needs the header dialog.
    form->Targets.readMeteorologicalCsv = [](const std::string&) { return false; };
    form->UpdateCommands();
    EXPECT_FALSE(form->Meteolorogical->isEnabled());
    form->Targets.headerSave = &header;
    form->UpdateCommands();
    EXPECT_TRUE(form->Meteolorogical->isEnabled());
    EXPECT_FALSE(form->PortData->isEnabled());
}

TEST_F(MainWindowTest, EachCommandSetsItsFilterAndSelectionModeAndHandsOverTheFile) {
    auto form = MakeBoundForm();

    struct Case {
        QAction* action;
        const char* filter;
        bool multi;
        const char* target;
    };
    const std::vector<Case> cases{
        {form->ADDCDRF1, "ADDC/DRF/SDF/TSD files (*.drf,*.sdf,*.tsd)|*.drf;*.sdf;*.tsd", true, "convertToSdf"},
        {form->WavehunterW1,
         "ウェーブハンターマスターファイル(sm*m.k02,WH*.H00,*.hun,*.h98)|sm*m.k02;WH*.H00;*.hun;*.h98", false,
         "openWaveHunterMaster"},
        {form->MDSMkV1, "MDS-MkV raw files (*.raw)|*.RAW", false, "openCompactFile"},
        {form->CompactWH, "Compact WH Raw Files (*.raw)|*.RAW", false, "openCompactWHFile"},
        {form->CompactEMC1, "Compact EM raw files (*.raw)|*.RAW", false, "openCompactEMFile"},
        {form->CompactCLWL1, "Compact-CLW raw data files (*.raw)|*.RAW", false, "openCompactFile"},
        {form->InfinityI1, "Infinity-EM raw files (*.raw)|*.RAW", false, "openInfinityEMFile"},
        {form->InfinityCLWJ1, "Infinity-CLW raw data files (*.raw)|*.RAW", false, "openInfinityFile"},
        {form->VectorV1, "Vector/Norteck header files (*.hdr)|*.HDR", false, "openNortekHeader"},
        {form->DL2, "DL-2 text files (*.txt)|*.txt", false, "openDL2File"},
        {form->Meteolorogical, "すべてのファイル(*.*)|*.*", true, "readMeteorologicalCsv"},
        {form->PortData, "すべてのファイル(*.*)|*.*", true, "readPortWaveFile"},
        {form->FishingPort1, "カンマ区切りデータファイル(*.csv)|*.csv", true, "readFishingPortCsv"},
        {form->C1, "カンマ区切りデータファイル(*.csv)|*.csv", true, "openCommaFile"},
        {form->TableinDateYear, "カンマ区切りデータファイル(*.csv)|*.csv", false, "loadDateYearTable"},
        {form->T1, "カンマ区切りデータファイル(*.csv)|*.csv", false, "loadDateYearTable"},
        {form->SDFE1, "SDF/TSD files (*.sdf;*.tsd)|*.sdf;*.tsd", true, "skip hidden"},
        {form->Link, "SDF/TSD files (*.sdf,*.tsd)|*.sdf;*.tsd", true, "linkFiles"},
    };
    const std::string input = dir.path().string() + "/in/x.dat";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action->objectName().toStdString());
        ASSERT_TRUE(c.action->isEnabled());
        // A cancelled dialog does nothing.
        rec.calls.clear();
        form->OpenDialog1.FileName = "left over";
        c.action->trigger();
        ASSERT_FALSE(chooser.runs.empty());
        EXPECT_EQ(chooser.runs.back().Filter, c.filter);
        EXPECT_EQ(chooser.runs.back().MultiSelect, c.multi);
        EXPECT_EQ(chooser.runs.back().FileName, "");
        EXPECT_TRUE(rec.calls.empty());
        // A chosen file reaches the target.
        chooser.choices.push_back({input});
        c.action->trigger();
        ASSERT_FALSE(rec.calls.empty());
        EXPECT_EQ(rec.calls.front().rfind(c.target, 0), 0u) << rec.calls.front();
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MainWindowTest, CommandsWithTheirOwnFileAndFolderRules) {
    auto form = MakeBoundForm();
    const std::string folder = dir.path().string() + "/in";
    const std::string a = folder + "/a.sdf", b = dir.file("b.sdf");

    // SDF to TSD keeps the file name but always picks one file.
    chooser.choices.push_back({a, b});
    form->ADDCDRF1->trigger();
    chooser.choices.push_back({b});
    form->SDFTSDT1->trigger();
    EXPECT_EQ(chooser.runs.back().Filter, "sdfファイル(*.sdf)|*.sdf");
    EXPECT_FALSE(chooser.runs.back().MultiSelect);
    EXPECT_EQ(chooser.runs.back().FileName, a);
    EXPECT_EQ(rec.calls.back(), "convertSdfToTsd " + b);

    // CADMAS-SURF presets the name and leaves the selection mode.
    form->OpenDialog1.MultiSelect = true;
    std::size_t runs = chooser.runs.size();
    form->CADMASSURFC1->trigger();
    EXPECT_EQ(chooser.runs.size(), runs);
    EXPECT_EQ(form->OpenDialog1.Filter, "CADMAS-SURF計算結果時系列データ(*.tran)|*.tran");
    EXPECT_EQ(form->OpenDialog1.FileName, "data.tran");
    EXPECT_TRUE(form->OpenDialog1.MultiSelect);
    EXPECT_EQ(rec.calls.back(), "convertCadmasSurf");

    // Merge prepares both dialogs and runs them itself.
    form->CombineSDF->trigger();
    EXPECT_EQ(chooser.runs.size(), runs);
    EXPECT_EQ(form->OpenDialog1.Filter, "SDF/TSD files (*.sdf,*.tsd)|*.sdf;*.tsd");
    EXPECT_FALSE(form->OpenDialog1.MultiSelect);
    EXPECT_EQ(form->OpenDialog1.FileName, "");
    EXPECT_EQ(form->SaveDialog1.Filter, "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd");
    EXPECT_EQ(rec.calls.back(), "combineFiles");

    // Folder rules: the chosen (first) file's folder becomes the initial folder.
    for (QAction* action : {form->CompactWH, form->PortData, form->SDFE1, form->Link}) {
        SCOPED_TRACE(action->objectName().toStdString());
        form->OpenDialog1.InitialDir = "/elsewhere";
        form->SaveDialog1.Filter.clear();
        chooser.choices.push_back({a, b});
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        EXPECT_EQ(form->OpenDialog1.InitialDir, folder);
    }
    EXPECT_EQ(form->SaveDialog1.Filter, "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd");

    // The extraction loop through the menu.
    rec.calls.clear();
    chooser.choices.push_back({a, b});
    form->SDFE1->trigger();
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"skip shown", "extractFile " + a, "skip hidden", "extractFile " + b}));

    // Yearly tables: the mode per command, shown only when loaded.
    rec.calls.clear();
    chooser.choices.push_back({a});
    form->T1->trigger();
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"loadDateYearTable " + a + " 1", "showDateYearTable"}));
    rec.calls.clear();
    rec.loadTableResult = false;
    chooser.choices.push_back({a});
    form->TableinDateYear->trigger();
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"loadDateYearTable " + a + " 0"}));

    form->L1->trigger();
    EXPECT_EQ(rec.calls.back(), "showLocation");
    form->V1->trigger();
    EXPECT_EQ(modal.back(), "AboutBox");
}

TEST_F(MainWindowTest, NoInputWhileAJobRunsAndClosingAsksItToCancelFirst) {
    auto form = MakeForm();
    TFrmProgress progress;
    FrmProgress = &progress;
    bool menuEnabledDuringJob = true;
    bool closedDuringJob = true;
    form->Targets.convertToSdf = [&](const std::vector<std::string>&) {
        menuEnabledDuringJob = form->MainMenu1->isEnabled();
        progress.Start("job", true);
        closedDuringJob = form->close();
        EXPECT_TRUE(progress.Cancelled());
        progress.Hide();
    };
    form->UpdateCommands();
    test::ShowMainWindow(*form);
    chooser.choices.push_back({dir.file("a.sdf")});
    form->ADDCDRF1->trigger();
    EXPECT_FALSE(menuEnabledDuringJob);
    EXPECT_FALSE(closedDuringJob);
    EXPECT_TRUE(form->MainMenu1->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(params()));

    // Once the job is over the close goes through.
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(std::filesystem::exists(params()));
    FrmProgress = nullptr;
}

TEST_F(MainWindowTest, HelpContentsOpensTheHelpFile) {
    auto form = MakeForm();
    auto saved = std::move(HelpFileName);
    HelpFileName = StrToNewPChar(BRINE_TEST_HELP_CHM);
    form->Contents1->trigger();
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    HelpFileName.reset();
    form->Contents1->trigger();  // before the first showing: a message, no crash
    EXPECT_EQ(prompter.shown.size(), 1u);
    HelpFileName = std::move(saved);
}

}  // namespace
}  // namespace brine
