#include <gtest/gtest.h>

#include "app/menu_jobs.h"
#include "app_test_support.h"
#include "core/sdf_builder.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::TempDir;

TEST(ExtractionLoop, SkipButtonShowsWhileFilesFollowAndCancelEndsTheRun) {
    std::vector<bool> skipShown;
    std::vector<std::string> extracted;
    auto setSkip = [&](bool v) { skipShown.push_back(v); };

    // Saved (1) and skipped (5) go on to the next file.
    std::deque<int> results{1, 5, 1};
    int runs = RunExtractionLoop({"/d/a.sdf", "/d/b.tsd", "/d/c.sdf"}, setSkip, [&](const std::string& f) {
        extracted.push_back(f);
        int r = results.front();
        results.pop_front();
        return r;
    });
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(skipShown, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(extracted, (std::vector<std::string>{"/d/a.sdf", "/d/b.tsd", "/d/c.sdf"}));

    skipShown.clear();
    extracted.clear();
    runs = RunExtractionLoop({"/d/a.sdf", "/d/b.tsd", "/d/c.sdf"}, setSkip, [&](const std::string& f) {
        extracted.push_back(f);
        return kExtractCancelled;
    });
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(extracted, (std::vector<std::string>{"/d/a.sdf"}));
    EXPECT_EQ(skipShown, (std::vector<bool>{true}));

    // A single file never offers the skip button.
    skipShown.clear();
    RunExtractionLoop({"/d/a.sdf"}, setSkip, [](const std::string&) { return 1; });
    EXPECT_EQ(skipShown, (std::vector<bool>{false}));
}

TEST(SingleBurstSave, WritesBurstZeroThenReportsSuccessSkippingFailedReaders) {
    TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    test::DirectHeaderSave header(model, dir.file("out.sdf"));

    std::vector<std::string> read;
    RunSingleBurstCommand({"bad.csv", "good.csv"},
                          [&](const std::string& f) {
                              read.push_back(f);
                              if (f == "bad.csv") return false;
                              test::FillCraftedHeader(model, 1, 5);
                              test::FillCraftedBurst(model, 0);
                              return true;
                          },
                          header, model, prompter);
    EXPECT_EQ(read, (std::vector<std::string>{"bad.csv", "good.csv"}));
    EXPECT_EQ(header.calls, 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "正常に変換を終了しました。");

    test::ReadBack back(dir.file("out.sdf"), 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Data[0], (std::vector<std::int16_t>{0, 1, 2, 3, 4}));

    // Cancelled header dialog: nothing written, nothing said.
    header.refuse = true;
    prompter.shown.clear();
    RunSingleBurstCommand({"good.csv"}, [&](const std::string&) { return true; }, header, model, prompter);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(SingleBurstSave, FailedWriteIsReportedNotCelebrated) {
    TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    test::FillCraftedHeader(model, 1, 5);
    // The header "succeeds" but points at a folder that does not exist.
    struct BrokenHeader : HeaderSaveDialog {
        CurrentFile& m;
        std::string target;
        BrokenHeader(CurrentFile& mm, std::string t) : m(mm), target(std::move(t)) {}
        bool ExecuteSave(int) override {
            m.SaveFileName = target;
            return true;
        }
    } header(model, dir.file("missing/out.sdf"));
    SaveSingleBurst(header, model, prompter);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
}

// The comma-data importer, as far as the hand-off sees it: it writes its
// temporary SDF (burst mode) or leaves one burst in the model.
struct FakeCommaImporter {
    explicit FakeCommaImporter(CurrentFile& m) : model(m) {}
    CurrentFile& model;
    bool burst = true;
    int bursts = 3;
    int written = 3;  // fewer than bursts makes a short temporary file
    bool accept = true;
    std::string temp;
    std::vector<std::string> opened;

    CommaDataSteps steps(std::vector<std::string>& proposed) {
        return {[this](const std::string& f) {
                    opened.push_back(f);
                    if (!accept) return false;
                    if (burst) {
                        temp = f.substr(0, f.rfind('.')) + ".$$$";
                        EXPECT_TRUE(test::WriteCraftedSdf(model, temp, bursts, 4, written));
                    } else {
                        test::FillCraftedHeader(model, 1, 6);
                        test::FillCraftedBurst(model, 2);
                    }
                    return true;
                },
                [this] { return burst; }, [this] { return temp; },
                [&proposed](const std::string& name) { proposed.push_back(name); }};
    }
};

class CommaDataHandOff : public ::testing::Test {
protected:
    // Runs the hand-off on the files, new ones written first.
    bool run(const std::vector<std::string>& files) {
        for (const std::string& f : files)
            if (!std::filesystem::exists(f)) test::writeText(f, "x");
        return RunCommaDataHandOff(files, importer.steps(proposed), header, model, progress, prompter, open);
    }
    TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    FileDialogSettings open;
    FakeCommaImporter importer{model};
    std::vector<std::string> proposed;
    test::DirectHeaderSave header{model, dir.file("out.sdf")};
};

TEST_F(CommaDataHandOff, BurstModeCopiesEveryBurstAndRemovesTheTemporaryFile) {
    const std::string input = dir.file("obs.csv");
    ASSERT_TRUE(run({input}));

    EXPECT_EQ(open.InitialDir, dir.path().string());
    EXPECT_EQ(proposed, (std::vector<std::string>{dir.file("obs.sdf")}));
    EXPECT_EQ(progress.titles, (std::vector<std::string>{"ファイルの保存中"}));
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 33, 67, 100}));
    EXPECT_FALSE(progress.visible);
    EXPECT_FALSE(std::filesystem::exists(importer.temp));
    EXPECT_TRUE(prompter.shown.empty());

    // The output holds the same header and bursts as the importer wrote.
    CurrentFile expected;
    const std::string reference = dir.file("reference.sdf");
    ASSERT_TRUE(test::WriteCraftedSdf(expected, reference, 3, 4, 3));
    EXPECT_EQ(test::readAll(dir.file("out.sdf")), test::readAll(reference));
}

TEST_F(CommaDataHandOff, ShortTemporaryFileStopsWithAnErrorAndKeepsIt) {
    importer.written = 2;  // the third burst is missing
    const std::string a = dir.file("a.csv"), b = dir.file("b.csv");
    EXPECT_FALSE(run({a, b}));

    EXPECT_EQ(importer.opened, (std::vector<std::string>{a}));  // the command stops
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_NE(prompter.shown[0].text.find(importer.temp), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(importer.temp));
    EXPECT_FALSE(progress.visible);

    // The output declares only the bursts it holds.
    test::ReadBack back(dir.file("out.sdf"), 1);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Iterations, 2);
    EXPECT_EQ(back.m.Data[0], (std::vector<std::int16_t>{100, 101, 102, 103}));
    EXPECT_EQ(model.Iterations, 3);
}

TEST_F(CommaDataHandOff, CancelledHeaderRemovesTheTemporaryFileAndGoesOn) {
    header.refuse = true;
    const std::string a = dir.file("a.csv"), b = dir.file("b.csv");
    ASSERT_TRUE(run({a, b}));
    EXPECT_EQ(importer.opened.size(), 2u);
    EXPECT_EQ(header.calls, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.$$$")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.$$$")));
    EXPECT_TRUE(progress.titles.empty());
    EXPECT_TRUE(std::filesystem::exists(a));

    // A file the importer declines goes on to the next without the header dialog.
    importer.accept = false;
    header.calls = 0;
    ASSERT_TRUE(run({a}));
    EXPECT_EQ(header.calls, 0);
}

TEST_F(CommaDataHandOff, IntervalModeWritesTheOneBurstInTheModel) {
    importer.burst = false;
    ASSERT_TRUE(run({dir.file("a.csv")}));
    EXPECT_TRUE(progress.titles.empty());
    test::ReadBack back(dir.file("out.sdf"), 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Data[0], (std::vector<std::int16_t>{200, 201, 202, 203, 204, 205}));
    EXPECT_EQ(back.m.BurstData[0], -2);

    // A dot file's leading dot belongs to its name, not to an extension, so
    // its output keeps the name; a dot in a folder's name is no extension.
    std::filesystem::create_directory(dir.file("a.b"));
    proposed.clear();
    ASSERT_TRUE(run({dir.file("a.b/.c")}));
    EXPECT_EQ(proposed, (std::vector<std::string>{dir.file("a.b/.c.sdf")}));
}

}  // namespace
}  // namespace brine
