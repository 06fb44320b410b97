// Text tables (yearly, comma data, JMA, fishing port, NOWPHAS, CADMAS-SURF),
// the two settings files and a stored chart series.
#include <cstdio>

#include "base/cp932.h"
#include "base/datetime.h"
#include "chart/series_data.h"
#include "chart/series_stream.h"
#include "importers/comma_data.h"
#include "seeds/seeds.h"

namespace brine::seeds {
namespace {

std::string cp(const std::string& utf8) { return utf8ToCp932(utf8); }

void yearlySeeds(const std::filesystem::path& root) {
    // Month-day table of 2004: cell (month, day) holds month * 100 + day.
    std::string title = "日";
    for (int m = 1; m <= 12; ++m) title += "," + std::to_string(m) + "月";
    std::vector<std::string> lines{"観測地点：テスト港,,", "単位：cm", title};
    for (int d = 1; d <= 31; ++d) {
        std::string row = std::to_string(d);
        for (int m = 1; m <= 12; ++m) row += "," + (d <= DaysInMonth(2004, m) ? std::to_string(m * 100 + d) : "");
        lines.push_back(row);
    }
    Put(root, "yearly_month_day", "2004", cp(Lines(lines)));

    const char* period[] = {"上旬", "中旬", "下旬"};
    std::vector<std::string> ten{"旬別値", "旬,2004年(1月～12月)"};
    for (int r = 1; r <= 36; ++r)
        ten.push_back(std::to_string((r - 1) / 3 + 1) + "月" + period[(r - 1) % 3] + "," + std::to_string(10 * r) + ".5");
    Put(root, "yearly_ten_day", "2004", cp(Lines(ten)));
}

void commaSeeds(const std::filesystem::path& root) {
    std::string csv = "time,level,temp\r\n";
    for (int i = 1; i <= 12; ++i)
        csv += "2004/05/06 12:00:" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "," +
               std::to_string(10 * i) + "," + std::to_string(100 + i) + ".5\r\n";
    const std::filesystem::path tfp = std::filesystem::temp_directory_path() / "brine-seed.tfp";
    auto parameters = [&](bool burst) {
        CommaParameters p;
        p.FromFile = true;
        p.DescribedColumn = "1";
        p.DescribedRow = "2";
        p.BurstSampling = burst;
        p.NumberOfSamples = "4";
        p.BurstInterval = "10";
        p.BurstIntervalUnitNo = 3;
        p.Intervals = "1";
        p.UnitNo = 2;
        p.Skip = "1";
        p.Step = "1";
        p.Last = "-1";
        p.NumberOfColumns = 3;
        p.Columns = {{false, "time", "", "1", "0", 0, 0},
                     {true, cp("水位"), "cm", "0.1", "-5", 0, 0},
                     {true, "T", "degC", "0.01", "0", 0, 0}};
        std::filesystem::remove(tfp);
        SaveCommaParameters(tfp.string(), p);
        std::FILE* f = std::fopen(tfp.string().c_str(), "rb");
        std::string text;
        for (int c; f && (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
        if (f) std::fclose(f);
        std::filesystem::remove(tfp);
        return text;
    };
    Put(root, "comma", "interval", csv + "%%%%\r\n" + parameters(false));
    Put(root, "comma", "bursts", csv + "%%%%\r\n" + parameters(true));
}

void hourlySeeds(const std::filesystem::path& root) {
    Put(root, "jma", "tokyo",
        cp("データ種別,地点名,期間区分,表示期間\n"
           "気象データ,東京,時別値,2020年1月1日1時～2020年1月1日4時\n"
           "年月日時,気温(℃）,降水量(mm),風向(方位）,風速(m/s),湿度(%),視程\n"
           "2020/1/1 1:00,5.2,0,SSE,1.25,80,10\n"
           "2020/1/1 2:00,5.25,0.5,N,2,81,12\n"
           "2020/1/1 3:00,--,1,XYZ,3.5,82,x\n"
           "2020/1/1 4:00, 4.1 ,,NNW\n"));
    Put(root, "fishing_port", "choshi",
        cp("漁港名(銚子),年,月,日,時,1/3最大(有義)波高(m),1/3最大(有義)波周期(s),波向(deg),最大波高(m)\n"
           ",2020,1,1,22,1.25,8.5,90,2.5\n"
           ",2020,1,1,23,1.3,8.6\n"
           ",2020,1,1,24,abc,8.7,95,2.7\n"
           ",2020,1,2,4,1.5,9.0,100,3.0\n"));

    auto values = [](std::initializer_list<int> v) {
        std::string s;
        for (int x : v) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%4d", x);
            s += buf;
        }
        return s;
    };
    const std::string twelve = values({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    Put(root, "nowphas", "monthly",
        cp("2020   3 monthly\n"
           "       1   1\n" +
           values({125, 130, 9999, 140, 1, 2, 3, 4, 5, 6, 7, 8}) + "\n" +
           values({85, 86, 87, 9999, 1, 2, 3, 4, 5, 6, 7, 8}) + "\n" +
           "       2   0\n"
           "       3   2\n" +
           twelve + "\n" + twelve + "\n" + twelve + "\n" + twelve + "\n"));
    auto day = [](int y, int mo, int d, const std::string& vals) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%4d%4d%4d", y, mo, d);
        return buf + vals + "\n";
    };
    Put(root, "nowphas", "daily",
        cp("NOWPHAS 2020 port 123   波浪データ 速報\nline 2\nline 3\n" + day(2020, 1, 5, twelve) +
           day(2020, 1, 5, twelve) + day(2020, 1, 6, twelve) + day(2020, 1, 6, twelve)));
    auto record = [](int y, int mo, int d, int h, const std::vector<std::string>& fields) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d      ", y, mo, d, h);
        std::string s = buf;
        for (const std::string& f : fields) s += std::string(6 - f.size(), ' ') + f;
        return s + "\n";
    };
    const std::vector<std::string> fields{"100", "1.00", "8.0", "1.50", "9.0", "2.00", "9.5", "3.00", "10.0", "180"};
    Put(root, "nowphas", "records",
        "301  Sakata Port  \n" + record(2021, 12, 31, 22, fields) + record(2021, 12, 31, 23, fields) +
            record(2022, 1, 1, 1, fields));

    std::string tran =
        "    1  W-LEVEL   -    12\n"
        "    2  POINT     U    12    5\n"
        "    3  POINT     W    12    5\n"
        "    4  POINT     P    12    5\n"
        "  TIME    ETA    U    W    P\n";
    for (int j = 0; j < 8; ++j) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%10.5f", j * 0.05);
        tran += buf + std::string("   0.1234   -0.5   0.25   19620.0\n");
    }
    Put(root, "cadmas_surf", "four-channels", tran);
}

void settingsSeeds(const std::filesystem::path& root) {
    Put(root, "parameters", "three-lines", cp("/home/user/data/観測.sdf\r\n/home/user/data\r\n2\r\n"));
    Put(root, "location", "sites", cp("東京,35.6875,139.75\r\n大阪,34.6833333333333,135.5\r\nb, 3 ,4,x,y\r\n"));
}

void seriesSeeds(const std::filesystem::path& root) {
    chart::TChartSeries s;
    s.StoreDataAlways = true;
    s.AddXY(0.5, 10, QStringLiteral("潮位"), chart::clRed);
    s.AddXY(2.25, -3.5);
    s.AddXY(3, 1e300);
    std::vector<chart::TStoredProperty> properties = chart::SeriesStreamProperties(s);
    chart::TStoredProperty source, axis;
    source.Name = QStringLiteral("DataSources");
    source.Kind = chart::TPropertyKind::StringList;
    source.Strings = QStringList{QStringLiteral("Series1"), QStringLiteral("Series2")};
    axis.Name = QStringLiteral("CustomHorizAxis");
    axis.Kind = chart::TPropertyKind::Integer;
    axis.Integer = 0;
    properties.push_back(source);
    properties.push_back(axis);
    const std::vector<std::uint8_t> bytes = chart::WriteProperties(properties);
    Put(root, "series_stream", "points", std::string(bytes.begin(), bytes.end()));
}

}  // namespace

void WriteTableSeeds(const std::filesystem::path& root) {
    yearlySeeds(root);
    commaSeeds(root);
    hourlySeeds(root);
    settingsSeeds(root);
    seriesSeeds(root);
}

}  // namespace brine::seeds
