#pragma once
// Storing a series with its form: the little-endian byte block of its points
// ("Data"), the names of its data sources and its custom axes, written as a
// list of named properties. Also the random generator of the sample values.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brine::chart {

class TChartSeries;
class TComponent;

// Appends little-endian values to a byte block.
class TByteWriter {
public:
    std::vector<std::uint8_t> Bytes;

    void WriteByte(std::uint8_t v) { Bytes.push_back(v); }
    void WriteInt32(std::int32_t v);
    void WriteDouble(double v);
    // One length byte and the UTF-8 bytes, cut to 255 bytes at a character
    // boundary so the length always matches what follows.
    void WriteShortString(const QString& v);
    void WriteBytes(const std::vector<std::uint8_t>& v);
};

// Reads little-endian values; every read past the end throws FormatError.
class TByteReader {
public:
    explicit TByteReader(const std::vector<std::uint8_t>& bytes) : Bytes_(bytes) {}

    std::size_t Remaining() const { return Bytes_.size() - Pos_; }
    bool AtEnd() const { return Pos_ == Bytes_.size(); }
    std::uint8_t ReadByte();
    std::int32_t ReadInt32();
    double ReadDouble();
    QString ReadShortString();
    std::vector<std::uint8_t> ReadBytes(std::size_t n);

private:
    void need(std::size_t n) const;

    const std::vector<std::uint8_t>& Bytes_;
    std::size_t Pos_ = 0;
};

// Kinds of stored property values.
enum class TPropertyKind : std::uint8_t { Integer = 1, String = 2, StringList = 3, Binary = 4 };

struct TStoredProperty {
    QString Name;
    TPropertyKind Kind = TPropertyKind::Integer;
    std::int32_t Integer = 0;
    QString String;
    QStringList Strings;
    std::vector<std::uint8_t> Binary;
};

// A property list: per entry its name, kind and value; an empty name ends it.
std::vector<std::uint8_t> WriteProperties(const std::vector<TStoredProperty>& properties);
// Throws FormatError for a damaged or unfinished list.
std::vector<TStoredProperty> ReadProperties(const std::vector<std::uint8_t>& bytes);

// The stream properties a series adds to its published ones: "DataSource"
// (one source), "DataSources" (more than one), "CustomHorizAxis",
// "CustomVertAxis" and "Data".
std::vector<TStoredProperty> SeriesStreamProperties(const TChartSeries& series);
std::vector<std::uint8_t> WriteSeriesStream(const TChartSeries& series);
// Reads into a series of its panel while it is loading; call Loaded after
// every component exists. Unknown properties are passed over. Throws
// FormatError for a damaged stream before the series is changed.
void ReadSeriesStream(TChartSeries& series, const std::vector<std::uint8_t>& bytes);

// The generator of the sample values: the seed and a value in 0..Range-1
// (0 for a Range below 1).
inline std::uint32_t PlotRandSeed = 0;
int PlotRandom(int Range);
// Today as a day count since 1899-12-30.
double PlotToday();

}  // namespace brine::chart
