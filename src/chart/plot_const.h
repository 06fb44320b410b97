#pragma once
// The chart engine's texts and its error classes. The texts are variables so
// that a program can replace them before use; readers take the value current
// at the moment of use.
#include <QString>
#include <QStringList>

#include "base/errors.h"

namespace brine::chart {

// The framework's general exception; the chart classes add nothing to it.
class Exception : public brine::BrineError {
public:
    explicit Exception(const QString& message) : BrineError(message.toStdString()), Message(message) {}
    QString Message;
};

class AxisException : public Exception {
public:
    using Exception::Exception;
};

class ChartException : public Exception {
public:
    using Exception::Exception;
};

class LegendException : public Exception {
public:
    using Exception::Exception;
};

// Fills "%s" and "%d" placeholders in order with the given texts; "%%" is a
// percent sign. Missing arguments leave the placeholder out.
QString PlotFormat(const QString& pattern, const QStringList& args);

// ---- the texts the engine reads, in table order (character 13 separates lines)
inline QString PlotMsg_LegendFirstValue = QStringLiteral("First Legend Value must be > 0");
inline QString PlotMsg_NoParentChartDataSource = QStringLiteral("No ParentChart to validate DataSource");
inline QString PlotMsg_NoValidDataSource = QStringLiteral("No valid DataSource: %s");
inline QString PlotMsg_FillSampleValues = QStringLiteral("FillSampleValues NumValues must be > 0");
inline QString PlotMsg_AxisDateTimeLogarithmic = QStringLiteral("DateTime Axis cannot be Logarithmic");
inline QString PlotMsg_AxisLogarithmicMinMax = QStringLiteral("Logarithmic Axis Min and Max values should be >= 0");
inline QString PlotMsg_AxisLabelsSeparation = QStringLiteral("Labels Separation % must be greater than 0");
inline QString PlotMsg_AxisIncrement = QStringLiteral("Axis increment must be >= 0");
inline QString PlotMsg_AxisMinimum = QStringLiteral("Axis Minimum Value must be <= Maximum");
inline QString PlotMsg_AxisMaximum = QStringLiteral("Axis Maximum Value must be >= Minimum");
inline QString PlotMsg_AxisLogarithmicBase = QStringLiteral("Axis Logarithmic Base should be <> 1 and > 0");
inline QString PlotMsg_MaxPointsPerPage = QStringLiteral("MaxPointsPerPage must be >= 0");
inline QString PlotMsg_3DPercent = QStringLiteral("3D effect percent must be between %d and %d");
inline QString PlotMsg_CircularSeries = QStringLiteral("Circular Series dependences are not allowed");
inline QString PlotMsg_StringOfString = QStringLiteral("%s of %s");
inline QString PlotMsg_StringOfStringTwoLines = QStringLiteral("%s\rof %s");
inline QString PlotMsg_DefaultPercentFormat = QStringLiteral("##0.## %");
inline QString PlotMsg_DefaultValueFormat = QStringLiteral("#,##0.###");
inline QString PlotMsg_DefaultFontSize = QStringLiteral("8");
inline QString PlotMsg_DefaultFontName = QStringLiteral("Arial");
inline QString PlotMsg_PointerSize = QStringLiteral("Pointer size must be greater than zero");
inline QString PlotMsg_FunctionPeriod = QStringLiteral("Function Period should be >= 0");
inline QString PlotMsg_ValuesX = QStringLiteral("X");
inline QString PlotMsg_ValuesY = QStringLiteral("Y");
inline QString PlotMsg_SeriesPrefix = QStringLiteral("Series");
inline QString PlotMsg_SubStyleNormal = QStringLiteral("Normal");
inline QString PlotMsg_SubStyleNoBorder = QStringLiteral("No Border");
inline QString PlotMsg_SubStyleColors = QStringLiteral("Colors");
inline QString PlotMsg_SubStyleMarks = QStringLiteral("Marks");
inline QString PlotMsg_SubStyleStairs = QStringLiteral("Stairs");
inline QString PlotMsg_SubStylePoints = QStringLiteral("Points");
inline QString PlotMsg_SubStyleHeight = QStringLiteral("Height");
inline QString PlotMsg_SubStyleHollow = QStringLiteral("Hollow");
inline QString PlotMsg_SeriesDelete = QStringLiteral("Series Delete: ValueIndex %d out of bounds (0 to %d).");
inline QString PlotMsg_SubStyleOutline = QStringLiteral("Outline");

}  // namespace brine::chart
