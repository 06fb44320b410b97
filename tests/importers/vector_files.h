#pragma once
// Crafted Vector exports (".hdr", ".dat", ".sen", ".pck" of one base name),
// built as text in the tests.
#include <string>
#include <vector>

#include "importers/raw_files.h"
#include "support/temp_dir.h"

namespace brine::test {

// A key line: the value starts at character 39.
inline std::string hdrValue(const std::string& key, const std::string& value) {
    std::string l = key;
    l.resize(38, ' ');
    return l + value;
}

// A column description: number in characters 1-2, unit from character 40.
inline std::string hdrColumn(int n, const std::string& text, const std::string& unit = "") {
    std::string l = (n < 10 ? " " : "") + std::to_string(n) + "  " + text;
    l.resize(39, ' ');
    return l + unit;
}

struct VectorHdr {
    std::string software = "1.28";
    std::string first = "01.02.2005 12:00:00";
    std::string last = "01.02.2005 13:59:59";
    std::string rate = "1";
    std::string burst = "3600";
    std::string samples = "4";
    std::string coord = "ENU";
    std::string velocityUnit = "(m/s)";

    std::vector<std::string> lines(const std::string& base) const {
        return {"Vector",
                hdrValue("Time of first measurement", first),
                hdrValue("Time of last measurement", last),
                hdrValue("Sampling rate", rate + " Hz"),
                hdrValue("Burst interval", burst + " sec"),
                hdrValue("Samples per burst", samples),
                hdrValue("Nominal velocity range", "0.30 m/s"),
                hdrValue("Sampling volume", "15.7 mm"),
                hdrValue("Coordinate system", coord),
                hdrValue("Comments", "harbour mouth"),
                hdrValue("Firmware version", "1.30"),
                hdrValue("Software version", software),
                "Data file format",
                "[Data file]       " + base + ".dat",
                hdrColumn(1, "Burst counter"),
                hdrColumn(2, "Ensemble counter", "(1-65536)"),
                hdrColumn(3, "Velocity (Beam1|X|East)", velocityUnit),
                hdrColumn(4, "Velocity (Beam2|Y|North)", velocityUnit),
                hdrColumn(5, "Velocity (Beam3|Z|Up)", velocityUnit),
                hdrColumn(6, "Amplitude (Beam1)", "(counts)"),
                hdrColumn(7, "Amplitude (Beam2)", "(counts)"),
                hdrColumn(8, "Amplitude (Beam3)", "(counts)"),
                hdrColumn(9, "SNR (Beam1)", "(dB)"),
                hdrColumn(10, "SNR (Beam2)", "(dB)"),
                hdrColumn(11, "SNR (Beam3)", "(dB)"),
                hdrColumn(12, "Correlation (Beam1)", "(%)"),
                hdrColumn(13, "Correlation (Beam2)", "(%)"),
                hdrColumn(14, "Correlation (Beam3)", "(%)"),
                hdrColumn(15, "Pressure", "(dbar)"),
                "[Sensor file]     " + base + ".sen",
                hdrColumn(1, "Month", "(1-12)"),
                hdrColumn(2, "Day", "(1-31)"),
                hdrColumn(3, "Year"),
                hdrColumn(4, "Hour", "(0-23)"),
                hdrColumn(5, "Minute", "(0-59)"),
                hdrColumn(6, "Second", "(0-59)"),
                hdrColumn(7, "Error code"),
                hdrColumn(8, "Temperature", "(deg C)")};
    }
};

// One ".dat" line: burst, ensemble, three velocities, amplitudes 100 101 102,
// SNRs 20.5 21.5 22.5, correlations, pressure.
inline std::string datLine(long long burst, int ensemble, double v1, double v2, double v3, int c1 = 90, int c2 = 90,
                           int c3 = 90, double pressure = 10.5) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%5lld %5d %8.3f %8.3f %8.3f  100  101  102  20.5  21.5  22.5 %3d %3d %3d %8.3f", burst,
                  ensemble, v1, v2, v3, c1, c2, c3, pressure);
    return buf;
}

// One ".sen" record of 2005-02-01.
inline std::string senLine(int hour, int minute, int second, double temperature) {
    char buf[128];
    std::snprintf(buf, sizeof buf, " 2  1 2005 %2d %2d %2d 0 %6.2f", hour, minute, second, temperature);
    return buf;
}

// One profile of the ".pck": points 1.. at the given distances, each beam the amplitude.
inline void pckProfile(std::vector<std::string>& lines, const std::vector<double>& distances,
                       const std::vector<double>& amplitudes) {
    for (std::size_t i = 0; i < distances.size(); ++i) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "  %3zu %8.1f %6.1f %6.1f %6.1f", i + 1, distances[i], amplitudes[i] - 1,
                      amplitudes[i], amplitudes[i] + 1);
        lines.push_back(buf);
    }
}

// Writes base + each extension into dir; returns the ".hdr" path.
inline std::string writeVectorExport(const TempDir& dir, const VectorHdr& hdr, const std::vector<std::string>& dat,
                                     const std::vector<std::string>& sen, const std::vector<std::string>& pck = {},
                                     const std::string& base = "EXP") {
    writeText(dir.file(base + ".hdr"), joinLines(hdr.lines(base)));
    writeText(dir.file(base + ".dat"), joinLines(dat));
    writeText(dir.file(base + ".sen"), joinLines(sen));
    if (!pck.empty()) writeText(dir.file(base + ".pck"), joinLines(pck));
    return dir.file(base + ".hdr");
}

}  // namespace brine::test
