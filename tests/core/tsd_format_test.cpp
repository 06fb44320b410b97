#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "core/current_file.h"
#include "core/tsd_values.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

constexpr char kFormat[] = "フォーマットが違います。";
constexpr char kNoData[] = "データがありません。";
constexpr char kBadBlock[] = "ブロックデータ異常";
constexpr char kShort[] = "データが足りません。";
constexpr char kQuestion[] = "単精度整数を超えるデータを発見しました。\nエラーデータに変換してよろしいですか。";

std::string sj(const std::string& utf8) { return utf8ToCp932(utf8); }

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t e = text.find("\r\n", at);
        EXPECT_NE(e, std::string::npos) << "line without CR LF at byte " << at;
        if (e == std::string::npos) break;
        out.push_back(text.substr(at, e - at));
        at = e + 2;
    }
    return out;
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

class TsdTest : public ::testing::Test {
protected:
    void SetUp() override { m.prompter = &prompter; }

    // Nch 2, Nch2 1, SampleSize 3, two bursts.
    void fillModel() {
        m.ResetHeader();
        m.Memo = sj("潮位観測 St.1");
        m.StartTime = EncodeDateTime({2021, 3, 4, 5, 6, 7, 89});
        m.SInt = 500;
        m.SITUnit = 1;
        m.Iterations = 2;
        m.BInt = 10;
        m.BITUnit = 3;
        m.Nch = 2;
        m.Nch2 = 1;
        m.SampleSize = 3;
        const char* names[] = {"水位", "流速", "気温"};
        const char* units[] = {"cm", "cm/s", "℃"};
        const float a[] = {0.01f, 1.0f, 0.5f};
        const float b[] = {0.0f, 100.0f, -1.25f};
        for (int k = 0; k < 3; ++k) {
            m.ChannelName[k] = sj(names[k]);
            m.ChannelUnit[k] = sj(units[k]);
            m.ScaleA[k] = a[k];
            m.OffsetB[k] = b[k];
        }
        m.AllocateDataArrays();
    }
    void burst0() {
        m.Data[0] = {12345, ErrorData, -5};
        m.Data[1] = {0, 32767, -32767};
        m.BurstData[0] = 7;
    }
    void burst1() {
        m.Data[0] = {1, 2, 3};
        m.Data[1] = {-1, -2, -3};
        m.BurstData[0] = ErrorData;
    }
    std::string writeModelFile() {
        std::string path = dir.file("out.tsd");
        EXPECT_TRUE(m.CreateTSDFile(path));
        m.SaveFileName = path;
        burst0();
        EXPECT_TRUE(m.WriteTSDBurst(0));
        burst1();
        EXPECT_TRUE(m.WriteTSDBurst(1));
        return path;
    }
    // Reads the header of a file through the extension dispatch, as callers do.
    bool load(const std::string& path) {
        m.FileName = path;
        return m.ReadHeader(path);
    }

    TempDir dir;
    ScriptedPrompter prompter;
    CurrentFile m;
};

const std::vector<std::string> kHeaderLines = {
    "Time Series Data Text Format Ver.2",
    "潮位観測 St.1",
    "2021/03/04 05:06:07 089",
    "500 msec",
    "2",
    "10 min",
    "2,1",
    "3",
    "0.01,1,0.5",
    "0,100,-1.25",
    "水位,流速,気温",
    "cm,cm/s,℃",
};

std::string expectedFile() {
    std::vector<std::string> lines;
    for (const auto& l : kHeaderLines) lines.push_back(sj(l));
    for (const char* l : {"No.1", "123.45,100", "=,32867", "-0.05,-32667", "2.25", "No.2", "0.01,99", "0.02,98",
                          "0.03,97", "="})
        lines.push_back(l);
    return joinCrLf(lines);
}

TEST_F(TsdTest, WritesVersion2ByteExact) {
    fillModel();
    writeText(dir.file("out.tsd"), std::string(5000, 'x'));  // replaced, not overwritten in place
    std::string path = writeModelFile();
    std::string text = readText(path);
    EXPECT_EQ(text, expectedFile());
    // Block b starts at line 13 + 5 b.
    std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[12], "No.1");
    EXPECT_EQ(lines[17], "No.2");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(TsdTest, ReadsBackWhatItWrites) {
    fillModel();
    std::string path = writeModelFile();
    CurrentFile r;
    r.prompter = &prompter;
    r.FileName = path;
    ASSERT_TRUE(r.ReadHeader(path));
    EXPECT_EQ(r.FileKind, 1);
    EXPECT_EQ(r.Memo, m.Memo);
    EXPECT_EQ(FormatDateTimeMs(r.StartTime), "2021/03/04 05:06:07 089");
    EXPECT_EQ(r.SInt, 500);
    EXPECT_EQ(r.SITUnit, 1);
    EXPECT_EQ(r.Iterations, 2);
    EXPECT_EQ(r.BInt, 10);
    EXPECT_EQ(r.BITUnit, 3);
    EXPECT_EQ(r.Nch, 2);
    EXPECT_EQ(r.Nch2, 1);
    EXPECT_EQ(r.SampleSize, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.ChannelName[k], m.ChannelName[k]);
        EXPECT_EQ(r.ChannelUnit[k], m.ChannelUnit[k]);
        EXPECT_EQ(r.ScaleA[k], m.ScaleA[k]);
        EXPECT_EQ(r.OffsetB[k], m.OffsetB[k]);
    }
    // Out of order on purpose: the block index must serve both directions.
    ASSERT_TRUE(r.ReadBurst(1));
    burst1();
    EXPECT_EQ(r.Data[0], m.Data[0]);
    EXPECT_EQ(r.Data[1], m.Data[1]);
    EXPECT_EQ(r.BurstData[0], ErrorData);
    ASSERT_TRUE(r.ReadBurst(0));
    burst0();
    EXPECT_EQ(r.Data[0], m.Data[0]);
    EXPECT_EQ(r.Data[1], m.Data[1]);
    EXPECT_EQ(r.BurstData[0], 7);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(TsdTest, MemoIsWrittenOnOneLineAndNamesKeepTheLists) {
    fillModel();
    m.Memo = "first\r\nsecond\rthird";
    m.ChannelName[0] = "a,b";
    m.ChannelUnit[1] = "m,s";
    std::string path = writeModelFile();
    std::vector<std::string> lines = linesOf(readText(path));
    EXPECT_EQ(lines[1], "first  second third");
    EXPECT_EQ(lines[10], sj("a b,流速,気温"));
    EXPECT_EQ(lines[11], sj("cm,m s,℃"));
    ASSERT_TRUE(load(path));
    EXPECT_EQ(m.Nch, 2);
    ASSERT_TRUE(m.ReadBurst(1));
    EXPECT_EQ(m.Data[0][2], 3);
}

TEST_F(TsdTest, MultiLineMemoOfOlderFilesReadsAndItsBlocksAreFound) {
    std::string text = joinCrLf({"Time Series Data Text Format Ver.2", "'first'", "second", "third",
                                 "2020/01/02 03:04:05 678", "2 wk", "2", "1 yr", "1,0", "2", "0.5", "0", "h", "m",
                                 "No.1", "1", "2", "No.2", "3", "="});
    std::string path = dir.file("memo.tsd");
    writeText(path, text);
    ASSERT_TRUE(load(path));
    EXPECT_EQ(m.Memo, "first\rsecond\rthird");
    EXPECT_EQ(FormatDateTimeMs(m.StartTime), "2020/01/02 03:04:05 678");
    EXPECT_EQ(m.SInt, 2);
    EXPECT_EQ(m.SITUnit, 6);
    EXPECT_EQ(m.BITUnit, 8);
    ASSERT_TRUE(m.ReadBurst(1));
    EXPECT_EQ(m.Data[0][0], 6);
    EXPECT_EQ(m.Data[0][1], ErrorData);
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(m.Data[0][1], 4);
}

TEST_F(TsdTest, ReadsVersion1) {
    std::string text = joinCrLf({"Time Series Data Text Format Ver.1", "memo", "2020/01/02 03:04:05", "500", "3",
                                 "0.1,2", "0,1", "a,b", "u,v", "0.5,3", "=,", "-0.3"});
    std::string path = dir.file("v1.TSD");
    writeText(path, text);
    m.Nch2 = 4;  // left over from an earlier file
    ASSERT_TRUE(load(path));
    EXPECT_EQ(m.Nch, 2);
    EXPECT_EQ(m.Nch2, 0);
    EXPECT_EQ(m.SampleSize, 3);
    EXPECT_EQ(m.SInt, 500);
    EXPECT_EQ(m.SITUnit, 1);
    EXPECT_EQ(m.Iterations, 1);
    // 3 samples at 0.5 s: the burst interval is widened to 2 s.
    EXPECT_EQ(m.BInt, 2);
    EXPECT_EQ(m.BITUnit, 2);
    EXPECT_EQ(m.ChannelUnit[1], "v");
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(m.Data[0], (std::vector<std::int16_t>{5, ErrorData, -3}));
    // Missing fields are missing values, not the previous line's texts.
    EXPECT_EQ(m.Data[1], (std::vector<std::int16_t>{1, ErrorData, ErrorData}));
}

TEST_F(TsdTest, BurstChannelsOnlyRoundTrip) {
    fillModel();
    m.Nch = 0;
    m.Nch2 = 2;
    m.SampleSize = 2;
    m.ScaleA[1] = 0.25f;
    m.AllocateDataArrays();
    std::string path = dir.file("nch0.tsd");
    ASSERT_TRUE(m.CreateTSDFile(path));
    m.SaveFileName = path;
    for (int b = 0; b < 3; ++b) {
        m.BurstData = {static_cast<std::int16_t>(b * 100 + 1), static_cast<std::int16_t>(-b)};
        ASSERT_TRUE(m.WriteTSDBurst(b));
    }
    std::vector<std::string> lines = linesOf(readText(path));
    ASSERT_EQ(lines.size(), 12u + 3 * 4);
    EXPECT_EQ(lines[6], "0,2");
    EXPECT_EQ(lines[12], "No.1");
    EXPECT_EQ(lines[13], "");
    EXPECT_EQ(lines[15], "0.01,100");
    CurrentFile r;
    r.prompter = &prompter;
    r.FileName = path;
    ASSERT_TRUE(r.ReadHeader(path));
    EXPECT_EQ(r.Nch, 0);
    EXPECT_EQ(r.Nch2, 2);
    for (int b = 2; b >= 0; --b) {
        ASSERT_TRUE(r.ReadBurst(b));
        EXPECT_EQ(r.BurstData[0], b * 100 + 1);
        EXPECT_EQ(r.BurstData[1], -b);
    }
    EXPECT_TRUE(prompter.shown.empty());
}

// Every count of a channel written as one burst and read back.
void roundTripAllCounts(float a, float b, TempDir& dir, std::string* firstLines = nullptr) {
    CurrentFile m;
    ScriptedPrompter p;
    m.prompter = &p;
    m.Nch = 1;
    m.SampleSize = 65536;
    m.Iterations = 1;
    m.SITUnit = m.BITUnit = 2;
    m.SInt = 1;
    m.BInt = 65536;
    m.ScaleA[0] = a;
    m.OffsetB[0] = b;
    m.AllocateDataArrays();
    for (int j = 0; j < 65536; ++j) m.Data[0][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(j - 32768);
    std::string path = dir.file("all.tsd");
    ASSERT_TRUE(m.CreateTSDFile(path));
    m.SaveFileName = path;
    ASSERT_TRUE(m.WriteTSDBurst(0));
    if (firstLines) {
        std::vector<std::string> lines = linesOf(readText(path));
        *firstLines = lines[8] + "|" + lines[9] + "|" + lines[13 + 32768 + 1234] + "|" + lines[13 + 65535];
    }
    std::vector<std::int16_t> written = m.Data[0];
    m.FileName = path;
    ASSERT_TRUE(m.ReadHeader(path));
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(m.ScaleA[0], a);
    EXPECT_EQ(m.OffsetB[0], b);
    EXPECT_TRUE(m.Data[0] == written) << "A " << a << " B " << b;
    EXPECT_TRUE(p.shown.empty());
}

TEST_F(TsdTest, WrittenValuesReadBackToTheSameCounts) {
    std::string lines;
    // Ordinary scales keep the plain 7-digit text.
    roundTripAllCounts(0.01f, 0.0f, dir, &lines);
    EXPECT_EQ(lines, "0.01|0|12.34|327.67");
    // |B| >> |A|: 7 digits would turn 1234 into 1200; 9 digits are needed.
    roundTripAllCounts(0.001f, 100000.0f, dir, &lines);
    EXPECT_EQ(lines, "0.001|100000|100001.234|100032.767");
    // Beyond 9 digits.
    roundTripAllCounts(1e-6f, 10000.0f, dir);
    roundTripAllCounts(-0.37f, 123456.7f, dir);
}

// The text the general formatter gives a count of a channel: 7 digits, or
// where B is large against A the fewest from 7 up that read back.
std::string generalText(std::int16_t c, float a, float b) {
    if (c == ErrorData) return "=";
    const double v = static_cast<double>(static_cast<long double>(c) * a + b);
    if (std::fabs(static_cast<double>(b)) <= 1e5 * std::fabs(static_cast<double>(a))) return FormatGeneral(v, 7);
    std::string t;
    for (int d = 7; d <= 17; ++d) {
        t = FormatGeneral(v, d);
        std::optional<double> back = ParseNumber(t);
        if (!back) continue;
        const long double x = (static_cast<long double>(*back) - b) / a;
        if (std::fabs(x) < 40000 && RoundHalfEven(x) == c) break;
    }
    return t;
}

TEST_F(TsdTest, CountTextsFromDigitsAreTheGeneralFormatsTexts) {
    for (float a : {1.0f, 0.1f, 0.01f, 0.001f, 0.05f, 1e-6f, 1000.0f, -0.01f})
        for (float b : {0.0f, -12.5f, 100000.0f}) {
            TsdValueText text(a, b);
            for (int c = -32768; c <= 32767; ++c) {
                const auto count = static_cast<std::int16_t>(c);
                char buf[TsdValueText::kMaxBytes];
                const std::string written(buf, text.write(buf, count));
                ASSERT_EQ(written, generalText(count, a, b)) << "A " << a << " B " << b << " count " << c;
            }
        }
}

TEST_F(TsdTest, ScaleAndOffsetTextsReadBackToTheSameSingles) {
    fillModel();
    m.Nch = 100;
    m.Nch2 = 29;
    m.SampleSize = 0;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> expo(-35, 35);
    std::uniform_real_distribution<double> mant(-10, 10);
    for (int k = 0; k < kMaxChannels; ++k) {
        float a = static_cast<float>(mant(rng) * std::pow(10.0, expo(rng)));
        m.ScaleA[k] = a == 0 ? 1.0f : a;
        m.OffsetB[k] = static_cast<float>(mant(rng) * std::pow(10.0, expo(rng)));
    }
    m.ScaleA[0] = std::nextafter(1.0f, 2.0f);  // needs 8 digits
    m.ScaleA[1] = 3.4028235e38f;               // the largest Single
    std::string path = dir.file("scales.tsd");
    ASSERT_TRUE(m.CreateTSDFile(path));
    std::vector<std::string> lines = linesOf(readText(path));
    EXPECT_EQ(lines[8].substr(0, lines[8].find(',', lines[8].find(',') + 1)), "1.0000001,3.4028235E38");
    CurrentFile r;
    r.prompter = &prompter;
    ASSERT_TRUE(r.ReadTSDHeader(path));
    ASSERT_EQ(r.Nch + r.Nch2, kMaxChannels);
    for (int k = 0; k < kMaxChannels; ++k) {
        EXPECT_EQ(r.ScaleA[k], m.ScaleA[k]) << k;
        EXPECT_EQ(r.OffsetB[k], m.OffsetB[k]) << k;
    }
}

// Nch 2, Nch2 1 (scale 1, offset 0), one burst.
std::string sampleFile(int sampleSize, const std::vector<std::string>& block, const std::string& scales = "0.01,1",
                       const std::string& offsets = "0,0") {
    std::vector<std::string> lines = {"Time Series Data Text Format Ver.2", "m", "2020/01/02 03:04:05", "1 sec",
                                      "1", "1 hr", "2,1", std::to_string(sampleSize), scales + ",1",
                                      offsets + ",0", "a,b,c", "u,v,w", "No.1"};
    lines.insert(lines.end(), block.begin(), block.end());
    return joinCrLf(lines);
}

TEST_F(TsdTest, OutOfRangeValuesAskOnceAndBecomeMissing) {
    std::string path = dir.file("range.tsd");
    writeText(path, sampleFile(4, {"327.68,1", "327.66,-32769", "-327.69,0.5", "327.675,1.5", "5"}));
    ASSERT_TRUE(load(path));
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(m.ReadBurst(0));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kQuestion);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompter.beeps, 1);
    // 32767.5 rounds (halves to even) to 32768: out of range too.
    EXPECT_EQ(m.Data[0], (std::vector<std::int16_t>{ErrorData, 32766, ErrorData, ErrorData}));
    EXPECT_EQ(m.Data[1], (std::vector<std::int16_t>{1, ErrorData, 0, 2}));
    EXPECT_EQ(m.BurstData[0], 5);

    // No ends the read.
    prompter.shown.clear();
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(m.ReadBurst(0));
    EXPECT_EQ(prompter.shown.size(), 1u);

    // The burst line asks the same question.
    writeText(path, sampleFile(1, {"1,1", "1e300"}));
    prompter.shown.clear();
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(load(path));
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(m.BurstData[0], ErrorData);

    // Without a prompter nothing can be asked: the read fails.
    m.prompter = nullptr;
    EXPECT_FALSE(m.ReadBurst(0));
}

TEST_F(TsdTest, BurstReaderMessagesForDamagedBlocks) {
    std::string path = dir.file("bad.tsd");
    writeText(path, sampleFile(2, {"1,1", "2,2", "3"}));
    ASSERT_TRUE(load(path));
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(m.Data[0][1], 200);

    struct Case {
        std::vector<std::string> lines;
        int burst;
        const char* message;
    };
    const Case cases[] = {
        {{"1,1", "2,2", "3"}, 1, kBadBlock},             // no such block
        {{"1,1", "2,2", "3"}, 5, kBadBlock},             // far beyond the last one
        {{"1,1", "2,2"}, 0, kShort},                     // file ends inside the block
        {{"1,1", "x,2", "3"}, 0, kFormat},               // not a number
        {{"1,1", "2,2", "3", "No.3", "1,1"}, 1, kBadBlock},
    };
    for (const Case& c : cases) {
        writeText(path, sampleFile(2, c.lines));
        ASSERT_TRUE(load(path));
        prompter.shown.clear();
        EXPECT_FALSE(m.ReadBurst(c.burst)) << c.message;
        ASSERT_EQ(prompter.shown.size(), 1u) << c.message;
        EXPECT_EQ(prompter.shown[0].text, c.message);
        EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    }
    // A file replaced since its header was read is not read as that file.
    writeText(path, "Time Series Data Text Format Ver.3\r\n");
    prompter.shown.clear();
    EXPECT_FALSE(m.ReadBurst(0));
    EXPECT_EQ(prompter.lastText(), Text(Tx::FileChangedSinceRead, {path}));
}

TEST_F(TsdTest, EmptyAndEqualFieldsAreMissingAndHalvesGoToEven) {
    std::string path = dir.file("even.tsd");
    writeText(path, sampleFile(4, {"0.25, 0.5", "=,-2.5", ",1.5", "-1.25", "="}, "0.5,1"));
    ASSERT_TRUE(load(path));
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(m.Data[0], (std::vector<std::int16_t>{0, ErrorData, ErrorData, -2}));
    EXPECT_EQ(m.Data[1], (std::vector<std::int16_t>{0, -2, 2, ErrorData}));
    EXPECT_EQ(m.BurstData[0], ErrorData);
}

TEST_F(TsdTest, EveryFieldTextGivesTheCountOfTheGeneralRule) {
    // Texts on and off each channel's count grid, in every form a number may
    // take, against rounding (v - B) / A with halves to even.
    const std::pair<float, float> scales[] = {{0.01f, 0},     {0.05f, -12.5f}, {0.001f, 100000}, {1e-6f, 0},
                                              {1000, 0},       {1, 0},          {0.3f, 0.1f},     {-0.01f, 2.5f}};
    std::mt19937 rng(21);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* forms[] = {"%s%d", "%s%d.%0*d", "%s%d.", "%s.%0*d", "%s%d.%0*d0", "%s00%d.%0*d", "+%s%d.%0*d",
                           "%s%de-%d", " %s%d.%0*d", "%s%d.%0*d "};
    for (const auto& [a, b] : scales) {
        std::vector<std::string> lines;
        std::vector<std::int16_t> want;
        for (int i = 0; i < 4000; ++i) {
            // Near the values of counts, with 0 to 7 decimals.
            const double v = (pick(70000) - 35000) * static_cast<double>(a) + b;
            const int decimals = pick(8);
            const double scaled = std::round(std::fabs(v) * std::pow(10.0, decimals));
            const long long whole = static_cast<long long>(scaled / std::pow(10.0, decimals));
            const long long frac = static_cast<long long>(scaled - static_cast<double>(whole) * std::pow(10.0, decimals));
            char text[96];
            const char* form = forms[pick(10)];
            const char* sign = v < 0 ? "-" : "";
            if (form[0] == '+' && v < 0) form = forms[1];
            if (std::string(form).find("e-") != std::string::npos)
                std::snprintf(text, sizeof text, form, sign, static_cast<int>(whole), decimals);
            else if (std::string(form).find("%0*d") != std::string::npos)
                std::snprintf(text, sizeof text, form, sign, static_cast<int>(whole), std::max(decimals, 1),
                              static_cast<int>(frac));
            else
                std::snprintf(text, sizeof text, form, sign, static_cast<int>(whole));
            const std::optional<double> parsed = ParseNumber(text);
            ASSERT_TRUE(parsed) << text;
            const long double x = (static_cast<long double>(*parsed) - b) / a;
            if (!(std::fabs(x) < 40000) || std::fabs(static_cast<double>(RoundHalfEven(x))) > 32767) continue;
            lines.push_back(std::string(text) + ",=");
            want.push_back(static_cast<std::int16_t>(RoundHalfEven(x)));
        }
        std::ostringstream scalesText, offsets;
        scalesText << FormatGeneral(a, 9);
        offsets << FormatGeneral(b, 9);
        std::string path = dir.file("fields.tsd");
        writeText(path, sampleFile(static_cast<int>(want.size()), lines, scalesText.str() + ",1",
                                   offsets.str() + ",0") + "7\r\n");
        ASSERT_TRUE(load(path)) << a;
        ASSERT_EQ(m.ScaleA[0], a);
        ASSERT_EQ(m.OffsetB[0], b);
        ASSERT_TRUE(m.ReadBurst(0)) << a;
        EXPECT_EQ(m.Data[0], want) << "A " << a << " B " << b;
        EXPECT_EQ(m.Data[1], std::vector<std::int16_t>(want.size(), ErrorData));
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(TsdTest, BothReadersAcceptTheSameFirstLine) {
    // A leading byte-order mark and trailing blanks.
    std::string text = sampleFile(1, {"1,1", "2"});
    text.replace(0, 34, "\xEF\xBB\xBFTime Series Data Text Format Ver.2  \t");
    std::string path = dir.file("bom.tsd");
    writeText(path, text);
    ASSERT_TRUE(load(path));
    ASSERT_TRUE(m.ReadBurst(0));
    EXPECT_EQ(m.Data[0][0], 100);
}

TEST_F(TsdTest, HeaderReaderRefusesDamagedHeadersWithoutTouchingTheModel) {
    const std::vector<std::string> good = {"Time Series Data Text Format Ver.2", "m", "2020/01/02 03:04:05",
                                           "1 sec", "1", "1 hr", "2,1", "3", "0.01,1,1", "0,0,0", "a,b,c",
                                           "u,v,w"};
    auto with = [&](std::size_t line, const std::string& text) {
        std::vector<std::string> l = good;
        l[line] = text;
        return joinCrLf(l);
    };
    std::vector<std::string> lines20 = good;
    lines20.resize(10);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"no magic", with(0, "Time Series Data Format Ver.2")},
        {"unknown version", with(0, "Time Series Data Text Format Ver.3")},
        {"text after version", with(0, "Time Series Data Text Format Ver.2x")},
        {"missing lines", joinCrLf(lines20)},
        {"no date line", joinCrLf({good[0], "m", "x", "y"})},
        {"unknown unit", with(3, "1 fortnight")},
        {"interval not a number", with(3, "one sec")},
        {"iterations above int16", with(4, "40000")},
        {"negative iterations", with(4, "-1")},
        {"too many channels", with(6, "128,2")},
        {"interval channels above 128", with(6, "129,0")},
        {"negative burst channels", with(6, "2,-1")},
        {"one count only", with(6, "2")},
        {"negative sample size", with(7, "-3")},
        {"sample size beyond the file", with(7, "100000000")},
        {"short scale list", with(8, "0.01,1")},
        {"scale zero", with(8, "0.01,0,1")},
        {"scale not a number", with(8, "0.01,x,1")},
        {"scale beyond a Single", with(8, "0.01,1e39,1")},
        {"short offset list", with(9, "0")},
        {"short name list", with(10, "a,b")},
        {"short unit list", with(11, "u")},
        {"sample size not a number", with(7, "3.5")},
        // A block of empty lines holds nothing: no channel is no data, and
        // without interval channels a burst may not pass the limit.
        {"no channel at all", with(6, "0,0") + joinCrLf({"No.1", "", "", ""})},
        {"burst channels only, beyond the limit of a burst",
         joinCrLf({good[0], good[1], good[2], good[3], "0", good[5], "0,1", "10000001", "1", "0", "c", "w"})},
    };
    std::string path = dir.file("bad.tsd");
    for (const auto& [what, text] : cases) {
        fillModel();
        writeText(path, text);
        prompter.shown.clear();
        EXPECT_FALSE(m.ReadTSDHeader(path)) << what;
        ASSERT_EQ(prompter.shown.size(), 1u) << what;
        EXPECT_EQ(prompter.shown[0].text, kFormat) << what;
        EXPECT_EQ(m.Nch, 2) << what;
        EXPECT_EQ(m.SampleSize, 3) << what;
        EXPECT_EQ(m.Memo, sj("潮位観測 St.1")) << what;
    }
    // The unchanged lines with their block read; a missing prompter only
    // silences the refusal.
    writeText(path, joinCrLf(good) + joinCrLf({"No.1", "1,1", "2,2", "3,3", "4"}));
    EXPECT_TRUE(m.ReadTSDHeader(path));
    m.prompter = nullptr;
    writeText(path, with(0, "nothing"));
    EXPECT_FALSE(m.ReadTSDHeader(path));
}

TEST_F(TsdTest, DeclaredSampleCountsAllocateNoMoreThanTheFileHolds) {
    std::string path = dir.file("size.tsd");
    // No bursts: the header opens, with buffers of one sample at most.
    writeText(path, joinCrLf({"Time Series Data Text Format Ver.2", "m", "2020/01/02 03:04:05", "1 sec", "0",
                              "1 hr", "1,0", "50000000", "1", "0", "a", "u"}));
    ASSERT_TRUE(load(path));
    EXPECT_EQ(m.SampleSize, 50000000);
    EXPECT_EQ(m.Iterations, 0);
    EXPECT_LE(m.Data[0].capacity(), 1u);
    EXPECT_FALSE(m.ReadBurst(0));
    EXPECT_EQ(prompter.lastText(), kNoData);

    // With bursts, fewer lines after the header than one burst's samples.
    prompter.shown.clear();
    writeText(path, sampleFile(5, {"1,1", "2,2", "3,3"}));
    EXPECT_FALSE(load(path));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.lastText(), kFormat);
    writeText(path, sampleFile(3, {"1,1", "2,2"}));  // the "No." line makes the third
    EXPECT_TRUE(load(path));
    writeText(path, joinCrLf({"Time Series Data Text Format Ver.1", "m", "2020/01/02 03:04:05", "500", "4", "1",
                              "0", "a", "u", "1", "2", "3"}));
    EXPECT_FALSE(load(path));
    EXPECT_EQ(prompter.lastText(), kFormat);
}

TEST_F(TsdTest, ManyBurstsReadInAnyOrderAndAChangedFileIsRescanned) {
    fillModel();
    m.Iterations = 300;
    std::string path = dir.file("many.tsd");
    ASSERT_TRUE(m.CreateTSDFile(path));
    m.SaveFileName = path;
    for (int b = 0; b < 300; ++b) {
        for (int j = 0; j < 3; ++j) {
            m.Data[0][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(b * 10 + j);
            m.Data[1][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(-b);
        }
        m.BurstData[0] = static_cast<std::int16_t>(b);
        ASSERT_TRUE(m.WriteTSDBurst(b));
    }
    CurrentFile r;
    r.prompter = &prompter;
    r.FileName = path;
    ASSERT_TRUE(r.ReadHeader(path));
    for (int b : {0, 1, 2, 150, 299, 7, 298, 151}) {
        ASSERT_TRUE(r.ReadBurst(b)) << b;
        EXPECT_EQ(r.Data[0][2], b * 10 + 2);
        EXPECT_EQ(r.Data[1][0], -b);
        EXPECT_EQ(r.BurstData[0], b);
    }
    // The same name now holds a file with a two-line memo: the blocks move,
    // and the file is read only once its header has been read again.
    std::string text = readText(path);
    text.insert(text.find("\r\n") + 2, "extra memo line\r\n");
    writeText(path, text);
    EXPECT_FALSE(r.ReadBurst(299));
    EXPECT_EQ(prompter.lastText(), Text(Tx::FileChangedSinceRead, {path}));
    prompter.shown.clear();
    ASSERT_TRUE(r.ReadHeader(path));
    ASSERT_TRUE(r.ReadBurst(299));
    EXPECT_EQ(r.BurstData[0], 299);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(TsdTest, AFileRewrittenToTheSameSizeAndTimeIsNotReadThroughItsOldBlockOffsets) {
    // Each second text is as long as the first: its header grows by what its data loses.
    auto edited = [](std::string text, const std::string& memo, const std::string& from, const std::string& to) {
        text.insert(text.find("\r\n") + 2 + memo.size(), std::string(from.size() - to.size(), 'x'));
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string v1 = joinCrLf({"Time Series Data Text Format Ver.1", "memo", "2020/01/02 03:04:05", "500", "3",
                                     "1,1", "0,0", "a,b", "u,v", "10,20", "30,40", "50,60"});
    const std::string v2 = expectedFile();
    struct Case {
        std::string before, after;
        int burst;
        std::vector<std::int16_t> first;  // channel 0 as the second text holds it
    };
    const Case cases[] = {{v1, edited(v1, "memo", "10,20", "1,2"), 0, {1, 30, 50}},
                          {v2, edited(v2, sj("潮位観測 St.1"), "0.01,99", "1,99"), 1, {100, 2, 3}}};
    int n = 0;
    for (const Case& c : cases) {
        ASSERT_EQ(c.before.size(), c.after.size());
        std::string path = dir.file("same" + std::to_string(n++) + ".tsd");
        writeText(path, c.before);
        ASSERT_TRUE(load(path));
        ASSERT_TRUE(m.ReadBurst(c.burst));
        // Media with coarse times, or a touch, leave the time as it was.
        const auto written = std::filesystem::last_write_time(path);
        writeText(path, c.after);
        std::filesystem::last_write_time(path, written);
        ASSERT_TRUE(load(path));
        ASSERT_TRUE(m.ReadBurst(c.burst)) << n;
        EXPECT_EQ(m.Data[0], c.first) << n;
    }
    EXPECT_TRUE(prompter.shown.empty());
}

// Bytes this process has read through read calls; nothing when unknown.
std::optional<std::uint64_t> bytesReadSoFar() {
    std::ifstream in("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value)
        if (key == "rchar:") return value;
    return std::nullopt;
}

TEST_F(TsdTest, BurstsReadInTurnOutsideAJobReadTheFileAboutOnce) {
    fillModel();
    m.SampleSize = 200;
    m.Iterations = 500;
    m.AllocateDataArrays();
    const std::string path = dir.file("turn.tsd");
    {
        BurstJob writing(m);
        ASSERT_TRUE(m.CreateTSDFile(path));
        m.SaveFileName = path;
        for (int b = 0; b < m.Iterations; ++b) {
            m.BurstData[0] = static_cast<std::int16_t>(b);
            ASSERT_TRUE(m.WriteTSDBurst(b));
        }
        writing.finish();
    }
    const std::uint64_t size = std::filesystem::file_size(path);
    ASSERT_TRUE(load(path));
    if (!bytesReadSoFar()) GTEST_SKIP() << "the bytes read cannot be counted here";
    const std::uint64_t before = *bytesReadSoFar();
    // Each call opens the file on its own, and finds its block where the last one ended.
    for (int b = 0; b < m.Iterations; ++b) {
        ASSERT_TRUE(m.ReadBurst(b)) << b;
        ASSERT_EQ(m.BurstData[0], b);
    }
    const std::uint64_t read = *bytesReadSoFar() - before;
    EXPECT_LT(read, 2 * size + 500 * 8192u) << "file of " << size << " bytes";
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(TsdTest, DamagedFilesNeverCrashOrBreakTheModel) {
    fillModel();
    std::string good = readText(writeModelFile());
    std::string path = dir.file("fuzz.tsd");
    std::mt19937 rng(11);
    const char bytes[] = {',', '\r', '\n', '=', '-', '9', 'E', '.', ' ', '\x82', 'x', '0'};
    int accepted = 0;
    for (int i = 0; i < 400; ++i) {
        std::string text = good;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            std::size_t at = rng() % text.size();
            switch (rng() % 3) {
                case 0: text[at] = bytes[rng() % sizeof bytes]; break;
                case 1: text.erase(at, 1 + rng() % 20); break;
                default: text.insert(at, 1, bytes[rng() % sizeof bytes]); break;
            }
        }
        writeText(path, text);
        CurrentFile r;
        ScriptedPrompter p;
        for (int a = 0; a < 8; ++a) p.answer(i % 2 ? MsgResult::Yes : MsgResult::No);
        r.prompter = &p;
        r.FileName = path;
        bool ok = false;
        ASSERT_NO_THROW(ok = r.ReadTSDHeader(path)) << i;
        if (!ok) continue;
        ++accepted;
        ASSERT_TRUE(r.Nch >= 0 && r.Nch <= 128 && r.Nch2 >= 0 && r.Nch + r.Nch2 <= 129) << i;
        for (int b = 0; b < 3; ++b) ASSERT_NO_THROW(r.ReadTSDBurst(b)) << i;
    }
    EXPECT_GT(accepted, 50);
}

TEST_F(TsdTest, WritersFailWithoutMessage) {
    fillModel();
    EXPECT_FALSE(m.CreateTSDFile(dir.file("missing/out.tsd")));
    m.SaveFileName = dir.file("absent.tsd");
    burst0();
    EXPECT_FALSE(m.WriteTSDBurst(0));
    EXPECT_FALSE(std::filesystem::exists(m.SaveFileName));
    // A zero scale or a non-finite offset would give a file no reader accepts.
    m.ScaleA[2] = 0;
    EXPECT_FALSE(m.CreateTSDFile(dir.file("zero.tsd")));
    m.ScaleA[2] = 0.5f;
    m.OffsetB[1] = NAN;
    EXPECT_FALSE(m.CreateTSDFile(dir.file("nan.tsd")));
    m.OffsetB[1] = 100;
    m.StartTime = NAN;
    EXPECT_FALSE(m.CreateTSDFile(dir.file("time.tsd")));
    m.StartTime = 0;
    m.SITUnit = 10;
    EXPECT_FALSE(m.CreateTSDFile(dir.file("unit.tsd")));
    m.SITUnit = 1;
    m.SampleSize = 4;  // buffers sized for 3
    m.SaveFileName = dir.file("ok.tsd");
    ASSERT_TRUE(m.CreateTSDFile(m.SaveFileName));
    EXPECT_FALSE(m.WriteTSDBurst(0));
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
}  // namespace brine
