#include "chart/series_stream.h"

#include <QDate>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

#include "base/errors.h"
#include "chart/axis_panel.h"

namespace brine::chart {

namespace {

constexpr std::uint8_t FlagXValues = 1, FlagColors = 2, FlagLabels = 4, FlagPositions = 8;
constexpr int MarkPositionSize = 34;

[[noreturn]] void damaged(const char* what) { throw FormatError(std::string("Damaged series stream: ") + what); }

}  // namespace

// ---- bytes

void TByteWriter::WriteInt32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) Bytes.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

void TByteWriter::WriteDouble(double v) {
    const auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) Bytes.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

void TByteWriter::WriteShortString(const QString& v) {
    QByteArray utf8 = v.toUtf8();
    if (utf8.size() > 255) {
        qsizetype n = 255;
        // Back off continuation bytes so no character is split.
        while (n > 0 && (static_cast<std::uint8_t>(utf8[n]) & 0xC0) == 0x80) --n;
        utf8.truncate(n);
    }
    Bytes.push_back(static_cast<std::uint8_t>(utf8.size()));
    Bytes.insert(Bytes.end(), utf8.begin(), utf8.end());
}

void TByteWriter::WriteBytes(const std::vector<std::uint8_t>& v) { Bytes.insert(Bytes.end(), v.begin(), v.end()); }

void TByteReader::need(std::size_t n) const {
    if (n > Remaining()) damaged("unexpected end");
}

std::uint8_t TByteReader::ReadByte() {
    need(1);
    return Bytes_[Pos_++];
}

std::int32_t TByteReader::ReadInt32() {
    need(4);
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(Bytes_[Pos_++]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

double TByteReader::ReadDouble() {
    need(8);
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<std::uint64_t>(Bytes_[Pos_++]) << (8 * i);
    return std::bit_cast<double>(u);
}

QString TByteReader::ReadShortString() {
    const std::size_t n = ReadByte();
    need(n);
    const auto* p = reinterpret_cast<const char*>(Bytes_.data() + Pos_);
    Pos_ += n;
    return QString::fromUtf8(p, static_cast<qsizetype>(n));
}

std::vector<std::uint8_t> TByteReader::ReadBytes(std::size_t n) {
    need(n);
    std::vector<std::uint8_t> out(Bytes_.begin() + static_cast<std::ptrdiff_t>(Pos_),
                                  Bytes_.begin() + static_cast<std::ptrdiff_t>(Pos_ + n));
    Pos_ += n;
    return out;
}

// ---- property lists

std::vector<std::uint8_t> WriteProperties(const std::vector<TStoredProperty>& properties) {
    TByteWriter w;
    for (const TStoredProperty& p : properties) {
        if (p.Name.isEmpty()) continue;
        w.WriteShortString(p.Name);
        w.WriteByte(static_cast<std::uint8_t>(p.Kind));
        switch (p.Kind) {
            case TPropertyKind::Integer: w.WriteInt32(p.Integer); break;
            case TPropertyKind::String: w.WriteShortString(p.String); break;
            case TPropertyKind::StringList:
                w.WriteInt32(static_cast<std::int32_t>(p.Strings.size()));
                for (const QString& s : p.Strings) w.WriteShortString(s);
                break;
            case TPropertyKind::Binary:
                w.WriteInt32(static_cast<std::int32_t>(p.Binary.size()));
                w.WriteBytes(p.Binary);
                break;
        }
    }
    w.WriteByte(0);
    return w.Bytes;
}

std::vector<TStoredProperty> ReadProperties(const std::vector<std::uint8_t>& bytes) {
    TByteReader r(bytes);
    std::vector<TStoredProperty> out;
    for (;;) {
        TStoredProperty p;
        p.Name = r.ReadShortString();
        if (p.Name.isEmpty()) break;
        p.Kind = static_cast<TPropertyKind>(r.ReadByte());
        switch (p.Kind) {
            case TPropertyKind::Integer: p.Integer = r.ReadInt32(); break;
            case TPropertyKind::String: p.String = r.ReadShortString(); break;
            case TPropertyKind::StringList: {
                const std::int32_t n = r.ReadInt32();
                // Each name takes at least its length byte.
                if (n < 0 || static_cast<std::size_t>(n) > r.Remaining()) damaged("bad list length");
                for (std::int32_t i = 0; i < n; ++i) p.Strings.append(r.ReadShortString());
                break;
            }
            case TPropertyKind::Binary: {
                const std::int32_t n = r.ReadInt32();
                if (n < 0) damaged("bad block length");
                p.Binary = r.ReadBytes(static_cast<std::size_t>(n));
                break;
            }
            default: damaged("unknown property kind");
        }
        out.push_back(std::move(p));
    }
    if (!r.AtEnd()) damaged("bytes after the end");
    return out;
}

// ---- the "Data" block

std::vector<std::uint8_t> TChartSeries::WriteData() const {
    const int count = Count();
    const TChartValueList& notMandatory = *NotMandatoryValueList;
    const TChartValueList& mandatory = *MandatoryValueList;
    const auto colorAt = [&](int i) {
        return ColorList && static_cast<size_t>(i) < ColorList->size() ? (*ColorList)[static_cast<size_t>(i)]
                                                                         : clDefault;
    };

    // Every point is looked at, so no X value, colour or label past the first
    // points is lost.
    std::uint8_t flags = 0;
    if (StoreXValues && count > 0) {
        for (int i = 0; i < count; ++i)
            if (notMandatory.Value(i) != i) {
                flags |= FlagXValues;
                break;
            }
    }
    for (int i = 0; i < count; ++i) {
        const TColor c = colorAt(i);
        if (c != clDefault && c != SeriesColor()) {
            flags |= FlagColors;
            break;
        }
    }
    if (!Labels.Empty())
        for (int i = 0; i < count; ++i)
            if (!Labels.GetLabel(i).isEmpty()) {
                flags |= FlagLabels;
                break;
            }
    for (const auto& p : Marks.Positions)
        if (p && p->Custom) {
            flags |= FlagPositions;
            break;
        }

    TByteWriter w;
    w.WriteByte(flags);
    w.WriteInt32(count);
    for (int i = 0; i < count; ++i) {
        if (flags & FlagXValues) w.WriteDouble(notMandatory.Value(i));
        w.WriteDouble(mandatory.Value(i));
        if (flags & FlagColors) w.WriteInt32(colorAt(i));
        if (flags & FlagLabels) w.WriteShortString(Labels.GetLabel(i));
        for (size_t l = 2; l < ValueLists.size(); ++l) w.WriteDouble(ValueLists[l]->Value(i));
        if (flags & FlagPositions) {
            TSeriesMarkPosition none;
            const TSeriesMarkPosition& p =
                static_cast<size_t>(i) < Marks.Positions.size() && Marks.Positions[static_cast<size_t>(i)]
                    ? *Marks.Positions[static_cast<size_t>(i)]
                    : none;
            w.WriteInt32(p.ArrowFrom.X);
            w.WriteInt32(p.ArrowFrom.Y);
            w.WriteByte(p.ArrowFixed ? 1 : 0);
            w.WriteInt32(p.ArrowTo.X);
            w.WriteInt32(p.ArrowTo.Y);
            w.WriteByte(p.Custom ? 1 : 0);
            w.WriteInt32(p.Height);
            w.WriteInt32(p.LeftTop.X);
            w.WriteInt32(p.LeftTop.Y);
            w.WriteInt32(p.Width);
        }
    }
    return w.Bytes;
}

namespace {

struct DataPoint {
    double X = 0, Y = 0;
    TColor Color = clDefault;
    QString Label;
    std::vector<double> Further;
    std::optional<TSeriesMarkPosition> Position;
};

struct DataBlock {
    std::vector<DataPoint> Points;
};

// The points of a "Data" block for this series; throws FormatError for a
// damaged block and changes nothing.
DataBlock parseDataBlock(const TChartSeries& series, const std::vector<std::uint8_t>& Data) {
    TByteReader r(Data);
    const std::uint8_t flags = r.ReadByte();
    if (flags & 0xF0) damaged("unknown flags");
    const std::int32_t count = r.ReadInt32();
    if (count < 0) damaged("negative count");
    const size_t further = series.ValueLists.size() > 2 ? series.ValueLists.size() - 2 : 0;
    const size_t minPoint = 8 + ((flags & FlagXValues) ? 8 : 0) + ((flags & FlagColors) ? 4 : 0) +
                            ((flags & FlagLabels) ? 1 : 0) + 8 * further +
                            ((flags & FlagPositions) ? MarkPositionSize : 0);
    if (static_cast<size_t>(count) > r.Remaining() / minPoint) damaged("count beyond the data");

    DataBlock block;
    block.Points.resize(static_cast<size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        DataPoint& p = block.Points[static_cast<size_t>(i)];
        p.X = (flags & FlagXValues) ? r.ReadDouble() : i;
        p.Y = r.ReadDouble();
        if (flags & FlagColors) p.Color = r.ReadInt32();
        if (flags & FlagLabels) p.Label = r.ReadShortString();
        p.Further.resize(further);
        for (double& v : p.Further) v = r.ReadDouble();
        if (flags & FlagPositions) {
            TSeriesMarkPosition m;
            m.ArrowFrom.X = r.ReadInt32();
            m.ArrowFrom.Y = r.ReadInt32();
            m.ArrowFixed = r.ReadByte() != 0;
            m.ArrowTo.X = r.ReadInt32();
            m.ArrowTo.Y = r.ReadInt32();
            m.Custom = r.ReadByte() != 0;
            m.Height = r.ReadInt32();
            m.LeftTop.X = r.ReadInt32();
            m.LeftTop.Y = r.ReadInt32();
            m.Width = r.ReadInt32();
            p.Position = m;
        }
    }
    if (!r.AtEnd()) damaged("bytes after the points");
    return block;
}

void applyDataBlock(TChartSeries& series, DataBlock& block) {
    series.Clear();
    series.BeginUpdate();
    for (DataPoint& p : block.Points) {
        if (!series.YMandatory) std::swap(p.X, p.Y);
        for (size_t l = 0; l < p.Further.size(); ++l) series.ValueLists[l + 2]->PendingValue = p.Further[l];
        const int index = series.AddXY(p.X, p.Y, p.Label, p.Color);
        if (index < 0 || !p.Position) continue;
        auto& list = series.Marks.Positions;
        const size_t at = std::min(static_cast<size_t>(index), list.size());
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), std::make_unique<TSeriesMarkPosition>(*p.Position));
    }
    series.EndUpdate();
    series.OwnData = true;
}

}  // namespace

void TChartSeries::ReadData(const std::vector<std::uint8_t>& Data) {
    // The whole block is checked before the series changes.
    DataBlock block = parseDataBlock(*this, Data);
    applyDataBlock(*this, block);
}

// ---- series streams

namespace {

TStoredProperty property(const QString& name, TPropertyKind kind) {
    TStoredProperty p;
    p.Name = name;
    p.Kind = kind;
    return p;
}

}  // namespace

std::vector<TStoredProperty> SeriesStreamProperties(const TChartSeries& series) {
    std::vector<TStoredProperty> out;
    const auto& sources = series.DataSources.Items;
    if (sources.size() == 1) {
        TStoredProperty p = property(QStringLiteral("DataSource"), TPropertyKind::String);
        p.String = sources.front()->Name;
        out.push_back(std::move(p));
    } else if (sources.size() > 1) {
        TStoredProperty p = property(QStringLiteral("DataSources"), TPropertyKind::StringList);
        for (const TComponent* c : sources) p.Strings.append(c->Name);
        out.push_back(std::move(p));
    }
    if (TCustomAxisPanel* panel = series.ParentChart()) {
        const auto axisIndex = [&](const TChartAxis* axis) {
            for (int i = 0; i < panel->CustomAxes.Count(); ++i)
                if (panel->CustomAxes.Item(i) == axis) return i;
            return -1;
        };
        const auto addAxis = [&](const char* name, const TChartAxis* axis) {
            if (!axis) return;
            const int i = axisIndex(axis);
            if (i < 0) return;
            TStoredProperty p = property(QString::fromLatin1(name), TPropertyKind::Integer);
            p.Integer = i;
            out.push_back(std::move(p));
        };
        addAxis("CustomHorizAxis", series.CustomHorizAxis());
        addAxis("CustomVertAxis", series.CustomVertAxis());
    }
    if (series.ShouldStoreData()) {
        TStoredProperty p = property(QStringLiteral("Data"), TPropertyKind::Binary);
        p.Binary = series.WriteData();
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<std::uint8_t> WriteSeriesStream(const TChartSeries& series) {
    return WriteProperties(SeriesStreamProperties(series));
}

void ReadSeriesStream(TChartSeries& series, const std::vector<std::uint8_t>& bytes) {
    const std::vector<TStoredProperty> properties = ReadProperties(bytes);
    const auto kindOf = [](const TStoredProperty& p, TPropertyKind kind) {
        if (p.Kind != kind) damaged("property of the wrong kind");
    };
    for (const TStoredProperty& p : properties) {
        if (p.Name == QLatin1String("Data")) kindOf(p, TPropertyKind::Binary);
        if (p.Name == QLatin1String("DataSource")) kindOf(p, TPropertyKind::String);
        if (p.Name == QLatin1String("DataSources")) kindOf(p, TPropertyKind::StringList);
        if (p.Name == QLatin1String("CustomHorizAxis") || p.Name == QLatin1String("CustomVertAxis"))
            kindOf(p, TPropertyKind::Integer);
    }
    // Every block is read before the series changes, so that a damaged one
    // refuses the whole stream.
    std::vector<DataBlock> blocks;
    for (const TStoredProperty& p : properties)
        if (p.Name == QLatin1String("Data")) blocks.push_back(parseDataBlock(series, p.Binary));
    series.Loading = true;
    for (DataBlock& block : blocks) applyDataBlock(series, block);
    for (const TStoredProperty& p : properties) {
        if (p.Name == QLatin1String("DataSource")) series.DataSourceNames = QStringList{p.String};
        if (p.Name == QLatin1String("DataSources")) series.DataSourceNames = p.Strings;
        TCustomAxisPanel* panel = series.ParentChart();
        // An index outside the panel's custom axes is passed over.
        if (panel && p.Name == QLatin1String("CustomHorizAxis"))
            if (TChartAxis* axis = panel->CustomAxes.Item(p.Integer)) series.SetCustomHorizAxis(axis);
        if (panel && p.Name == QLatin1String("CustomVertAxis"))
            if (TChartAxis* axis = panel->CustomAxes.Item(p.Integer)) series.SetCustomVertAxis(axis);
    }
}

// ---- data sources

namespace {

// Unlinks one source from the series without touching its points.
void unlinkSource(TChartSeries& series, TComponent* source) {
    std::erase(series.DataSources.Items, source);
    if (auto* s = dynamic_cast<TChartSeries*>(source))
        std::erase(s->LinkedSeries, &series);
    else if (auto* feed = dynamic_cast<TPlotSeriesSource*>(source); feed && feed->Series() == &series)
        feed->SetSeries(nullptr);
}

void emptySources(TChartSeries& series) {
    if (series.DataSources.Items.empty()) return;
    for (TComponent* c : std::vector<TComponent*>(series.DataSources.Items)) unlinkSource(series, c);
    if (!series.OwnData) series.Clear();
}

// Adds a checked source; the list was emptied before unless loading.
void addSource(TChartSeries& series, TComponent* Value) {
    series.OwnData = false;
    if (auto* s = dynamic_cast<TChartSeries*>(Value)) {
        series.DataSources.Items.push_back(Value);
        if (std::find(s->LinkedSeries.begin(), s->LinkedSeries.end(), &series) == s->LinkedSeries.end())
            s->LinkedSeries.push_back(&series);
    } else if (auto* feed = dynamic_cast<TPlotSeriesSource*>(Value)) {
        const bool wasActive = feed->Active();
        feed->Close();
        feed->SetSeries(&series);
        if (wasActive) feed->Open();
    }
}

}  // namespace

void TChartSeries::SetDataSource(TComponent* Value) {
    if (!Value) {
        emptySources(*this);
        return;
    }
    if (!ParentChart_) throw ChartException(PlotMsg_NoParentChartDataSource);
    if (!ParentChart_->IsValidDataSource(*this, Value)) throw ChartException(PlotFormat(PlotMsg_NoValidDataSource, {Value->Name}));
    if (auto* s = dynamic_cast<TChartSeries*>(Value)) ParentChart_->CheckCircularSource(*this, *s);
    const auto& items = DataSources.Items;
    if (std::find(items.begin(), items.end(), Value) != items.end()) return;
    if (!Loading) emptySources(*this);
    addSource(*this, Value);
    CheckDataSource();
}

void TChartSeries::SetColorSource(const QString& v) {
    if (v == ColorSource) return;
    ColorSource = v;
    CheckDataSource();
}

void TChartSeries::SetXLabelsSource(const QString& v) {
    if (v == XLabelsSource) return;
    XLabelsSource = v;
    CheckDataSource();
}

void TChartSeries::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation != opRemove || !AComponent) return;
    const auto& items = DataSources.Items;
    if (std::find(items.begin(), items.end(), AComponent) == items.end()) return;
    std::erase(DataSources.Items, AComponent);
    if (auto* s = dynamic_cast<TChartSeries*>(AComponent)) std::erase(s->LinkedSeries, this);
}

void TChartSeries::Loaded(const std::function<TComponent*(const QString&)>& FindComponent) {
    Loading = false;
    const QStringList names = DataSourceNames;
    DataSourceNames.clear();
    bool any = false;
    for (const QString& name : names) {
        TComponent* c = FindComponent ? FindComponent(name) : nullptr;
        // Names of missing, unsuitable or circular sources are dropped.
        if (!ParentChart_ || !ParentChart_->IsValidDataSource(*this, c)) continue;
        if (std::find(DataSources.Items.begin(), DataSources.Items.end(), c) != DataSources.Items.end()) continue;
        if (auto* s = dynamic_cast<TChartSeries*>(c)) {
            try {
                ParentChart_->CheckCircularSource(*this, *s);
            } catch (const ChartException&) {
                continue;
            }
        } else if (!DataSources.Items.empty()) {
            continue;  // a data-source component feeds its series alone
        }
        addSource(*this, c);
        any = true;
    }
    if (any) CheckDataSource();
}

// ---- sample values

int PlotRandom(int Range) {
    PlotRandSeed = PlotRandSeed * 134775813u + 1u;
    if (Range < 1) return 0;
    return static_cast<int>((static_cast<std::uint64_t>(PlotRandSeed) * static_cast<std::uint32_t>(Range)) >> 32);
}

double PlotToday() { return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate::currentDate())); }

void TChartSeries::FillSampleValues(int NumValues) {
    if (NumValues < 0) throw ChartException(PlotMsg_FillSampleValues);
    if (NumValues == 0) NumValues = SampleCount > 0 ? SampleCount : NumSampleValues();
    Clear();
    PlotRandSeed = static_cast<std::uint32_t>(PlotRandom(7774444));
    BeginUpdate();
    AddSampleValues(NumValues);
    SortAfterSamples();
    EndUpdate();
}

void TChartSeries::AddSampleValues(int NumValues, bool OnlyMandatory) {
    if (NumValues <= 0) return;
    double minX = 0, maxX = NumValues - 1.0, minY = 0, maxY = 1000;
    // The mandatory values run along the vertical axis unless the series is horizontal.
    TChartAxis* valueAxis = YMandatory ? GetVertAxis : GetHorizAxis;
    TChartAxis* indexAxis = YMandatory ? GetHorizAxis : GetVertAxis;
    if (ParentChart_ && ParentChart_->SeriesCount() > 0 && valueAxis && indexAxis) {
        const bool valueIsX = !YMandatory;
        minY = valueIsX ? ParentChart_->MinXValue(valueAxis) : ParentChart_->MinYValue(valueAxis);
        maxY = valueIsX ? ParentChart_->MaxXValue(valueAxis) : ParentChart_->MaxYValue(valueAxis);
        if (maxY == minY) maxY = minY == 0 ? 1000 : 2 * minY;
        minX = valueIsX ? ParentChart_->MinYValue(indexAxis) : ParentChart_->MinXValue(indexAxis);
        maxX = valueIsX ? ParentChart_->MaxYValue(indexAxis) : ParentChart_->MaxXValue(indexAxis);
    } else if (NotMandatoryValueList->DateTime()) {
        minX = PlotToday();
        maxX = minX + NumValues - 1;
    }
    // Without a span on the other axis the points still get distinct places.
    const double stepX = maxX > minX && NumValues > 1 ? (maxX - minX) / (NumValues - 1) : 1.0;
    const double spanY = std::clamp(maxY - minY, -2147483647.0, 2147483647.0);
    const double quarter = spanY / 4;
    double x = minX;
    double y = minY + spanY / 2;
    for (int i = 0; i < NumValues; ++i) {
        y = std::fabs(y + quarter * (PlotRandom(100) * 0.01 - 0.5));
        if (OnlyMandatory)
            Add(y);
        else if (YMandatory)
            AddXY(x, y);
        else
            AddXY(y, x);
        x += stepX;
    }
}

void TChartSeries::SortAfterSamples() {
    if (MandatoryValueList->Order() == loNone) return;
    MandatoryValueList->Sort();
    if (NotMandatoryValueList->ValueSource().isEmpty()) NotMandatoryValueList->Renumber();
    Repaint();
}

}  // namespace brine::chart
