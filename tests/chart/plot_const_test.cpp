// Chart messages: formatting, replacement at run time, exception classes.
#include <gtest/gtest.h>

#include "chart/plot_const.h"

namespace brine::chart::test {
namespace {

TEST(PlotConstTest, FormattedMessagesAndTheirExceptions) {
    EXPECT_EQ(PlotFormat(PlotMsg_3DPercent, {"1", "100"}), "3D effect percent must be between 1 and 100");
    EXPECT_EQ(PlotFormat(PlotMsg_SeriesDelete, {"5", "2"}), "Series Delete: ValueIndex 5 out of bounds (0 to 2).");
    EXPECT_EQ(PlotFormat(PlotMsg_StringOfStringTwoLines, {"3", "7"}), QString("3\rof 7"));
    // Percent signs that are not placeholders stay; missing arguments leave nothing.
    EXPECT_EQ(PlotFormat(PlotMsg_AxisLabelsSeparation, {}), "Labels Separation % must be greater than 0");
    EXPECT_EQ(PlotFormat("%d%% of %s", {"50"}), "50% of ");

    try {
        throw AxisException(PlotMsg_AxisIncrement);
    } catch (const brine::BrineError& e) {
        // Every chart error reaches the UI boundary as a typed error.
        EXPECT_STREQ(e.what(), "Axis increment must be >= 0");
        EXPECT_NE(dynamic_cast<const AxisException*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const ChartException*>(&e), nullptr);
    }
}

// A replaced (translated) text reaches the UI as UTF-8.
TEST(PlotConstTest, ReplacedTextTakesEffectForLaterMessages) {
    const QString saved = PlotMsg_AxisMinimum;
    PlotMsg_AxisMinimum = QString::fromUtf8("最小値が最大値を超えています");
    EXPECT_EQ(QString::fromUtf8(ChartException(PlotMsg_AxisMinimum).what()), PlotMsg_AxisMinimum);
    PlotMsg_AxisMinimum = saved;
}

}  // namespace
}  // namespace brine::chart::test
