#pragma once
// Crafted ".raw" files of every instrument kind, built as text in the tests.
#include <string>
#include <vector>

namespace brine::test {

inline std::string joinLines(const std::vector<std::string>& lines, const char* eol = "\r\n") {
    std::string s;
    for (const auto& l : lines) s += l + eol;
    return s;
}

// The header lines with the "key=" line replaced, or removed.
inline std::vector<std::string> with(std::vector<std::string> l, const std::string& key, const std::string& line) {
    for (auto& s : l)
        if (s.rfind(key + "=", 0) == 0) s = line;
    return l;
}
inline std::vector<std::string> without(std::vector<std::string> l, const std::string& key) {
    std::erase_if(l, [&](const std::string& s) { return s.rfind(key + "=", 0) == 0; });
    return l;
}

// Compact-EM: every coefficient row y = x except the temperature row y = x / 100.
inline std::vector<std::string> compactEMHeader(int counters = 4, int total = 10, const std::string& step = "0.5",
                                                int burstTime = 1800) {
    return {"CEM Data Processing",
            "/  Version V2.10",
            "InstNo=77",
            "StartTime=2004/03/01 12:00:00",
            "EndTime=2004/03/01 13:00:00",
            "StepTime=" + step,
            "Counters=" + std::to_string(counters),
            "MeasMode=Burst1",
            "BurstTime=" + std::to_string(burstTime),
            "Comment=",
            "TotalCnt=" + std::to_string(total),
            "AlphaData=0",
            "BetaData=0",
            "[Coef]",
            "0,0.01,0,0",
            "0,1,0,0",
            "0,1,0,0",
            "0,1,0,0",
            "0,1,0,0",
            "0,1,0,0",
            "[Item]"};
}

inline std::vector<std::string> compactWHHeader(int counters = 3, int total = 6) {
    return {"CWH Data Processing",
            "/  Version V2.10 Mar. 01.2004",
            "InstNo=5",
            "StartTime=2005/07/01 00:00:00",
            "StepTime=1",
            "Counters=" + std::to_string(counters),
            "MeasMode=Burst1",
            "BurstTime=90",
            "Comment=wave test",
            "TotalCnt=" + std::to_string(total),
            "[Coef]",
            "0,1,0,0",
            "[Item]"};
}

// MDS-MkV with the given item letters; every coefficient row is y = x.
inline std::vector<std::string> mdsHeader(const std::string& instType, const std::string& mode = "Burst1",
                                          int counters = 2, int total = 4, int burstTime = 600) {
    std::vector<std::string> l = {"MDS5 Data Processing",
                                  "Version",
                                  "InstNo=9",
                                  "InstType=" + instType,
                                  "StartTime=2006/01/01 00:00:00",
                                  "EndTime=2006/01/01 00:00:03",
                                  "StepTime=1",
                                  "Counters=" + std::to_string(counters),
                                  "MeasMode=" + mode,
                                  "BurstTime=" + std::to_string(burstTime),
                                  "TotalCnt=" + std::to_string(total),
                                  "Comment=bay",
                                  "[Coef]"};
    std::size_t rows = instType == "TKURB" ? 3 : instType.size();
    for (std::size_t i = 0; i < rows; ++i) l.push_back("0,1,0,0");
    l.push_back("[Item]");
    return l;
}

// Other Infinity sonde; coefficient line i is y = x.
inline std::vector<std::string> infinityHeader(const std::string& sondeName, const std::string& sensorType, int channel,
                                               int burstCnt = 2, int sampleCnt = 4, const std::string& mode = "1") {
    std::vector<std::string> l = {"//Infinity SDlogger",
                                  "//Ver1.40",
                                  "//third",
                                  "SondeName=" + sondeName,
                                  "SondeNo=42",
                                  "SensorType=" + sensorType,
                                  "Channel=" + std::to_string(channel),
                                  "MeasMode=" + mode,
                                  "BurstTime=10",
                                  "BurstCnt=" + std::to_string(burstCnt),
                                  "Interval=500",
                                  "SampleCnt=" + std::to_string(sampleCnt),
                                  "StartTime=2010/05/05 10:00:00",
                                  "CoefDate=2010/01/01"};
    int lines = channel - (sensorType.find('B') != std::string::npos ? 1 : 0);
    for (int i = 1; i <= lines; ++i) l.push_back("Ch" + std::to_string(i) + "=0,1,0,0,0,0,0,0");
    l.push_back("COMMENT= harbour ");
    l.push_back("[Item]");
    return l;
}

inline std::vector<std::string> infinityEMHeader(int channel = 6, const std::string& mode = "1", int burstCnt = 3,
                                                 int sampleCnt = 6) {
    std::vector<std::string> l = {"//Infinity SDlogger", "//Ver1.40", "//third",
                                  "SondeNo=8", "Channel=" + std::to_string(channel), "MeasMode=" + mode,
                                  "BurstTime=30", "BurstCnt=" + std::to_string(burstCnt), "Interval=1000",
                                  "SampleCnt=" + std::to_string(sampleCnt), "StartTime=2011/02/03 04:05:06",
                                  "AlphaData=0", "BetaData=0", "CoefDate=x"};
    for (int i = 1; i <= channel; ++i) l.push_back("Ch" + std::to_string(i) + "=0,1,0,0,0,0,0,0");
    l.push_back("COMMENT=");
    l.push_back("[Item]");
    return l;
}

}  // namespace brine::test
