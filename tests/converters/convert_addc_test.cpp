#include <gtest/gtest.h>

#include "converters/addc_drf_command.h"
#include "converters/convert_addc.h"
#include "base/datetime.h"
#include "converter_fixtures.h"
#include "core/sdf_builder.h"

namespace brine {
namespace {

using test::addcCount;
using test::AddcSpec;
using test::Bytes;
using test::makeADDC;

class AddcTest : public test::ConverterTest {
protected:
    std::string writeADDC(const std::string& name, const AddcSpec& s) {
        std::string p = dir.file(name);
        test::writeAll(p, makeADDC(s));
        test::setLocalModificationTime(p, 2021, 3, 4, 13, 45, 27);
        return p;
    }
};

TEST(SplitItemAndUnit, NameAndUnitInBracketsOrTheWholeText) {
    const char* cases[][3] = {
        {"Level(cm)", "Level           ", "cm      "},
        {"Temperature", "Temperature     ", "        "},
        {"A)x(b", "A)x             ", "        "},  // ")" first: empty unit
        {"VeryLongChannelNameHere(centimetres)", "VeryLongChannelN", "centimet"},
    };
    for (const auto& c : cases) {
        std::string name, unit;
        SplitItemAndUnit(c[0], name, unit);
        EXPECT_EQ(name, c[1]) << c[0];
        EXPECT_EQ(unit, c[2]) << c[0];
    }
}

TEST_F(AddcTest, WritesTheSdfLayoutWithTheFileTimeOfDay) {
    std::string in = writeADDC("rec.sdf.addc", {});
    std::string out = dir.file("rec.sdf");
    test::DirectHeaderSave dialog(model, out);
    ASSERT_EQ(ConvertADDCFile(model, in, prompter, progress, dialog), JobResult::Done);
    EXPECT_EQ(dialog.calls, 1);

    Bytes b = test::readAll(out);
    ASSERT_EQ(b.size(), 512u + 2 * 3 * 4);
    EXPECT_EQ(test::textAt(b, 0, 50), "Standard Burst-Interval Data Format Ver.4         ");
    EXPECT_EQ(test::textAt(b, 50, 12), "ADDC comment");
    EXPECT_EQ(test::textAt(b, 62, 148), std::string(148, ' '));
    EXPECT_EQ(test::get<std::int16_t>(b, 210), 3);
    EXPECT_EQ(test::get<std::int16_t>(b, 212), 0);
    EXPECT_EQ(test::get<std::int32_t>(b, 214), 4);
    EXPECT_EQ(test::get<std::int32_t>(b, 218), 2);  // 2 sec
    EXPECT_EQ(b[222], 2);
    EXPECT_EQ(test::get<std::int16_t>(b, 223), 1);
    EXPECT_EQ(test::get<std::int32_t>(b, 225), 0);
    EXPECT_EQ(b[229], 2);
    EXPECT_EQ(FormatDateTimeMs(test::get<double>(b, 230)), "1997/05/12 13:45:27 000");
    EXPECT_EQ(test::textAt(b, 256, 24), "Level0          cm      ");
    EXPECT_EQ(test::textAt(b, 288, 24), "Temperature             ");
    EXPECT_EQ(test::get<float>(b, 288 + 24), 0.5f);   // a1 is A
    EXPECT_EQ(test::get<float>(b, 288 + 28), 0.25f);  // a0 is B
    for (int j = 0; j < 4; ++j)
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(test::get<std::int16_t>(b, 512 + 2 * (j * 3 + ch)), addcCount(ch, j));
}

TEST_F(AddcTest, DatesAndIntervals) {
    struct Case {
        std::string date;
        float interval;
        const char* start;
        std::int32_t sInt;
        int unit;
    } cases[] = {
        {"97/05/12", 2, "1997/05/12 13:45:27 000", 2, 2},
        {"2003/05/12xxxxxx", 0.5f, "2003/05/12 13:45:27 000", 500, 1},
        {"05/11/30", 0.1f, "2005/11/30 13:45:27 000", 100, 1},  // yy <= 90 reads as 20yy
        {"91/01/02", 0.0002f, "1991/01/02 13:45:27 000", 200, 0},
    };
    for (const Case& c : cases) {
        AddcSpec s;
        s.date = c.date;
        s.interval = c.interval;
        std::string in = writeADDC("a.dat", s);
        ASSERT_TRUE(ReadADDCFile(model, in, prompter)) << c.date << prompter.lastText();
        EXPECT_EQ(FormatDateTimeMs(model.StartTime), c.start);
        EXPECT_EQ(model.SInt, c.sInt) << c.date;
        EXPECT_EQ(model.SITUnit, c.unit) << c.date;
        EXPECT_EQ(model.BITUnit, 2);
    }
}

TEST_F(AddcTest, SamplesFollowALongerChannelTable) {
    AddcSpec s;
    s.nch = 20;
    s.sampleSize = 2;
    std::string in = writeADDC("wide.dat", s);
    ASSERT_EQ(test::readAll(in).size(), 608u + 2 * 20 * 2);
    ASSERT_TRUE(ReadADDCFile(model, in, prompter));
    EXPECT_EQ(model.Data[19][1], addcCount(19, 1));
    EXPECT_EQ(model.Data[0][0], addcCount(0, 0));
}

TEST_F(AddcTest, BadFilesAreReportedAndTheNextFileGoesOn) {
    AddcSpec order;
    order.order = '2';
    AddcSpec noChannels;
    noChannels.nch = 0;
    AddcSpec tooMany;
    tooMany.nch = 129;
    AddcSpec zeroRate;
    zeroRate.interval = 0;
    AddcSpec badDate;
    badDate.date = "xx/05/12";
    std::vector<std::string> files = {writeADDC("order.dat", order), writeADDC("none.dat", noChannels),
                                      writeADDC("many.dat", tooMany), writeADDC("zero.dat", zeroRate),
                                      writeADDC("date.dat", badDate)};
    Bytes truncated = makeADDC({});
    truncated.resize(truncated.size() - 1);
    files.push_back(dir.file("cut.dat"));
    test::writeAll(files.back(), truncated);
    files.push_back(writeADDC("good.dat", {}));

    test::DirectHeaderSave dialog(model, dir.file("good.sdf"));
    EXPECT_EQ(ConvertSelectedFiles(files, model, prompter, progress, dialog), 1);
    EXPECT_EQ(dialog.calls, 1);
    ASSERT_EQ(prompter.shown.size(), 6u);
    EXPECT_EQ(prompter.shown[0].text, "ｷｬﾘﾌﾞﾚｰｼｮﾝの次数が１を超えています。\n" + files[0]);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(prompter.shown[i].type, MsgType::Error);
        EXPECT_NE(prompter.shown[i].text.find(files[i]), std::string::npos) << prompter.shown[i].text;
    }
}

TEST_F(AddcTest, NulEndsNamesAndMemo) {
    Bytes b = makeADDC({});
    b[24 + 4] = 0;       // comment "ADDC"
    b[128 + 3] = 0;      // channel 0 "Lev"
    std::string in = dir.file("nul.dat");
    test::writeAll(in, b);
    ASSERT_TRUE(ReadADDCFile(model, in, prompter));
    EXPECT_EQ(model.Memo.substr(0, 5), "ADDC ");
    EXPECT_EQ(model.ChannelName[0], "Lev             ");
    EXPECT_EQ(model.ChannelUnit[0], "        ");
}

}  // namespace
}  // namespace brine
