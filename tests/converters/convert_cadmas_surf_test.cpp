#include <gtest/gtest.h>

#include <cstdio>

#include "converters/convert_cadmas_surf.h"
#include "base/cp932.h"
#include "converter_fixtures.h"

namespace brine {
namespace {

using Counts = std::vector<std::int16_t>;

const std::string kHeader =
    "    1  W-LEVEL   -    12\n"
    "    2  POINT     U    12    5\n"
    "    3  POINT     W    12    5\n"
    "    4  POINT     P    12    5\n"
    "  TIME    ETA    U    W    P\n";

// Rows from t0 every dt; each row holds the same four values.
std::string rows(int n, double t0, double dt, const std::string& values) {
    std::string s;
    for (int j = 0; j < n; ++j) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%10.5f", t0 + j * dt);
        s += buf + values + "\n";
    }
    return s;
}
const std::string kValues = "   0.1234   -0.5   0.25   19620.0";

class CadmasSurfTest : public test::ConverterTest {
protected:
    std::string write(const std::string& t, const std::string& n = "data.tran") { return ConverterTest::write(t, n); }
    bool read(const std::string& path) { return ReadCadmasSurfFile(model, path, prompter); }
};

TEST_F(CadmasSurfTest, ReadsChannelsFromTheHeaderAndOneSamplePerRow) {
    std::string p = write(kHeader + rows(201, 0.0, 0.05, kValues) + "\n\n", "it's.tran");
    model.FileName = "previous.sdf";
    ASSERT_TRUE(read(p));
    EXPECT_TRUE(prompter.shown.empty());

    EXPECT_EQ(model.Memo, "Time-series data computed using CADMAS-SURF. The original data is '" +
                              dir.file("it''s.tran") + "'.");
    EXPECT_EQ(model.Nch, 4);
    EXPECT_EQ(model.Nch2, 0);
    EXPECT_EQ(model.Iterations, 1);
    EXPECT_EQ(model.SampleSize, 201);
    EXPECT_EQ(model.SInt, 50);
    EXPECT_EQ(model.SITUnit, 1);  // not whole seconds: msec
    EXPECT_EQ(model.BInt, 0);
    EXPECT_EQ(model.StartTime, 0.0);
    EXPECT_EQ(model.FileName, "");
    EXPECT_EQ(model.SaveFileName, dir.file("trandata.sdf"));

    const std::string names[] = {utf8ToCp932("η_12"), "Vx(12_5)", "Vz(12_5)", "P(12_5)"};
    const char* units[] = {"m", "m/s", "m/s", "MPa"};
    const float scales[] = {0.001f, 0.001f, 0.001f, 0.00002f};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(model.ChannelName[k], names[k]) << k;
        EXPECT_EQ(model.ChannelUnit[k], units[k]) << k;
        EXPECT_EQ(model.ScaleA[k], scales[k]) << k;
        EXPECT_EQ(model.OffsetB[k], 0.0f) << k;
    }
    // 19 620 Pa is 0.01962 MPa: 981 counts of 0.00002.
    const Counts expected{123, -500, 250, 981};
    for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(model.Data[k].size(), 201u);
        EXPECT_EQ(model.Data[k].front(), expected[k]) << k;
        EXPECT_EQ(model.Data[k].back(), expected[k]) << k;
    }
}

TEST_F(CadmasSurfTest, SamplingIntervalInTheLargestUnitThatHoldsTheStep) {
    struct Case {
        const char* what;
        int n;
        double t0, dt;
        int sint;
        std::uint8_t unit;
    };
    const std::vector<Case> cases{
        {"whole seconds", 3, 0.0, 2.0, 2, 2},
        {"milliseconds", 5, 0.0, 0.25, 250, 1},
        {"microseconds", 11, 0.0, 0.0001, 100, 0},
        // Not starting at 0: the step is taken between the first and last rows.
        {"later start", 3, 10.0, 0.5, 500, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(read(write(kHeader + rows(c.n, c.t0, c.dt, kValues))));
        EXPECT_EQ(model.SInt, c.sint);
        EXPECT_EQ(model.SITUnit, c.unit);
        EXPECT_EQ(model.SampleSize, c.n);
        EXPECT_DOUBLE_EQ(model.StartTime, c.t0 / 86400.0);
    }
}

TEST_F(CadmasSurfTest, RefusesFilesItCannotConvertWithoutTouchingTheModel) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    std::string manyChannels;
    for (int k = 1; k <= 129; ++k) manyChannels += std::to_string(k) + " W-LEVEL - " + std::to_string(k) + "\n";
    const std::string one = "1 W-LEVEL - 3\nTIME\n";
    const std::vector<Case> cases{
        {"no header", "TIME ETA\n0.0 1.0\n1.0 1.0\n", "ファイルが異常です。"},
        {"unknown item", "1 W-LEVEL - 3\n2 POINT K 1 2\nTIME\n0 1 1\n1 1 1\n", "対応していないデータ項目です。（2行目）"},
        {"point without location", "1 POINT U 3\nTIME\n0 1\n1 1\n", "対応していないデータ項目です。（1行目）"},
        {"129 channels", manyChannels, "チャンネル数が128を超えています。"},
        {"no row", one, "データがありません。"},
        {"one row", one + "0.0 1.0\n", "計算時間間隔が正しくありません。"},
        {"time running back", one + "1.0 1.0\n0.0 1.0\n", "計算時間間隔が正しくありません。"},
        {"value not a number", one + "0.0 1.0\n0.1 abc\n", "数値に変換できないデータがあります。（4行目）"},
        {"value missing", one + "0.0 1.0\n0.1\n", "データが足りません。（4行目）"},
        {"last time not a number", one + "0.0 1.0\nend 1.0\n", "数値に変換できないデータがあります。（4行目）"},
        {"count out of 16 bits", one + "0.0 1.0\n0.1 32.768\n", "データが範囲外です。（4行目）"},
        {"huge value", one + "0.0 1.0\n0.1 1e300\n", "データが範囲外です。（4行目）"},
        {"blank line inside", one + "0.0 1.0\n\n0.1 1.0\n", "空の行があります。（4行目）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused([&] { return read(write(c.text)); }, c.message);
    }
    // The largest count that fits is still a value.
    ASSERT_TRUE(read(write(one + "0.0 32.767\n0.1 -32.767\n")));
    EXPECT_EQ(model.Data[0], (Counts{32767, -32767}));
}

TEST_F(CadmasSurfTest, CommandChoosesConvertsAndSavesTheBurst) {
    std::string p = write(kHeader + rows(3, 0.0, 1.0, kValues));
    ScriptedFileChooser chooser;
    FileDialog open(FileDialogKind::Open);
    open.FileName = "data.tran";
    test::TestHeaderSave save(model);

    chooser.cancel();
    ConvertCadmasSurf(model, open, chooser, save, prompter);
    EXPECT_EQ(save.calls, 0);
    EXPECT_TRUE(prompter.shown.empty());

    chooser.choose(p);
    ConvertCadmasSurf(model, open, chooser, save, prompter);
    EXPECT_EQ(chooser.asked.back().settings.FileName, "data.tran");
    ASSERT_EQ(save.proposals, (std::vector<std::string>{dir.file("trandata.sdf")}));
    EXPECT_EQ(prompter.lastText(), "変換ファイルを保存しました。");

    test::ReadBack back(dir.file("trandata.sdf"), 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Nch, 4);
    EXPECT_EQ(back.m.SampleSize, 3);
    EXPECT_EQ(back.m.SInt, 1);
    EXPECT_EQ(back.m.SITUnit, 2);
    EXPECT_EQ(back.m.Data[3], (Counts{981, 981, 981}));

    // A file that cannot be converted never reaches the header dialog.
    prompter.shown.clear();
    chooser.choose(write("nothing\n", "bad.tran"));
    ConvertCadmasSurf(model, open, chooser, save, prompter);
    EXPECT_EQ(save.calls, 1);
    EXPECT_EQ(prompter.lastText(), "ファイルが異常です。");
}

}  // namespace
}  // namespace brine
