// Raw instrument files, DL-2, Vector exports and Wave Hunter master files.
#include <utility>

#include "importers/dl2_files.h"
#include "importers/raw_files.h"
#include "importers/vector_files.h"
#include "importers/wave_hunter_bytes.h"
#include "seeds/seeds.h"

namespace brine::seeds {
namespace {

std::vector<std::string> with(std::vector<std::string> header, const std::vector<std::string>& data) {
    header.insert(header.end(), data.begin(), data.end());
    return header;
}

std::vector<std::string> repeated(const std::string& line, int n) { return std::vector<std::string>(static_cast<std::size_t>(n), line); }

void rawSeeds(const std::filesystem::path& root) {
    Put(root, "raw_compact_em", "two-bursts",
        Lines(with(test::compactEMHeader(2, 4),
                   {"t0,1500,0,1,10,0,0", "t1,1600,0,1,0,-10,0", "t2,1700,0,1,0,0,0", "t3,1800,0,1,3,4,0"})));
    Put(root, "raw_infinity_em", "burst",
        Lines(with(test::infinityEMHeader(6, "1", 3, 2), repeated("t,1,2,3,4,5,6", 6))));
    Put(root, "raw_infinity_em", "continuous",
        Lines(with(test::infinityEMHeader(6, "0", 1, 4), repeated("t,1,2,3,4,5,6", 4))));
    Put(root, "raw_infinity", "conductivity",
        Lines(with(test::infinityHeader("ACTW-USB", "T1C1C2B0", 4, 2, 2), {"a,9600,1,42.914", "b,9600,0,5", "c,9600,2,30", "d,9500,3,31"})));
    Put(root, "raw_infinity", "two-items",
        Lines(with(test::infinityHeader("ACLW-USB", "T1C1", 2, 2, 2), {"a,10,20", "b,11,21", "c,12,22", "d,13,23"})));
    Put(root, "raw_compact_wh", "two-bursts", Lines(with(test::compactWHHeader(2, 4), {"a,1", "b,40", "c,50", "d,2"})));
    Put(root, "raw_compact", "salinity", Lines(with(test::mdsHeader("TC", "Burst1", 1, 2), {"a,15,42.914", "b,16,40"})));
    Put(root, "raw_compact", "turbidity", Lines(with(test::mdsHeader("TK", "Burst1", 2, 2), {"a,15,3", "b,16,4"})));
}

void dl2Seeds(const std::filesystem::path& root) {
    using namespace test;
    // A current record across the year end, bursts every 30 minutes.
    DL2Times t{2003, 12, 31, 23, 30, 1, 1, 0, 30};
    std::vector<std::string> l{dl2Line1("Tokyo Bay", "St.3", "B-1", "CURRENT"), dl2Line2(t, "0.5", "cm/s", 4)};
    const int stamps[][4] = {{12, 31, 23, 30}, {1, 1, 0, 0}, {1, 1, 0, 30}};
    for (int b = 0; b < 3; ++b) {
        l.push_back(dl2BurstHeader(stamps[b][0], stamps[b][1], stamps[b][2], stamps[b][3]));
        append(l, dl2CurrentLines({{0, b + 1}, {900, 5}, {1800, 9999}, {2700, 12}}));
    }
    Put(root, "dl2", "current", Lines(l));

    // Two-hourly tide values.
    DL2Times v{2004, 3, 1, 12, 0, 3, 1, 16, 0};
    std::vector<std::string> w{dl2Line1("Site", "St", "L", "TIDE"), dl2Line2(v, "2", "cm", 3)};
    for (int b = 0; b < 3; ++b) {
        w.push_back(dl2BurstHeader(3, 1, 12 + 2 * b, 0));
        append(w, dl2ValueLines({10 * b, 9999, 10 * b + 2}));
    }
    Put(root, "dl2", "tide", Lines(w));
}

void vectorSeeds(const std::filesystem::path& root) {
    using namespace test;
    std::vector<std::string> pck;
    pckProfile(pck, {200, 300, 400, 500, 600, 700}, {10, 20, 15, 40, 60, 30});
    pckProfile(pck, {200, 300, 400}, {10, 50, 10});
    pckProfile(pck, {200, 300, 400}, {10, 10, 10});
    const std::vector<std::string> dat{datLine(1, 1, 0.1, 0.2, 0.01), datLine(1, 2, 0.1, 0.2, 0.01, 80, 55, 90),
                                       datLine(1, 3, 0.1, 0.2, 0.01), datLine(1, 4, 40.0, 0, 0),
                                       datLine(2, 1, 0.3, 0, 0),      datLine(2, 2, 0.3, 0, 0),
                                       datLine(2, 3, 0.3, 0, 0),      datLine(2, 4, 0.3, 0, 0)};
    const std::vector<std::string> sen{senLine(11, 59, 59, 99.0), senLine(12, 0, 0, 10.0), senLine(12, 0, 4, 12.0),
                                       senLine(13, 0, 0, 20.0), senLine(13, 0, 5, 99.0)};
    const std::string sep = "%%%%\r\n";
    Put(root, "vector", "with-probe-check",
        Lines(VectorHdr{}.lines("EXP")) + sep + Lines(dat) + sep + Lines(sen) + sep + Lines(pck));
    VectorHdr old;
    old.software = "1.20";
    old.coord = "XYZ";
    Put(root, "vector", "xyz-without-probe-check", Lines(old.lines("EXP")) + sep + Lines(dat) + sep + Lines(sen));
}

void waveHunterSeeds(const std::filesystem::path& root) {
    using namespace test;
    HunHeader h;
    HunBurst a{0, 90, {100, 200, 300, 101, 201, 301, 102, 202, 302, 103, 203, 303}};
    HunBurst b{0, 180, {110, 210, 310, 111, 211, 311, 112, 212, 312, 113, 213, 313}};
    Put(root, "wave_hunter_hun", "two-bursts", Bytes(hunFile(h, {a, b})));

    auto records = [](int n, WHRecord r) {
        std::vector<WHRecord> v;
        for (int k = 0; k < n; ++k) {
            WHRecord x = recordAt(r, 30 * k);
            x.means[0] = static_cast<std::uint16_t>(1000 + k);
            for (int i = 0; i < 180; ++i) x.words.push_back(static_cast<std::uint16_t>(2000 + 7 * i + k));
            v.push_back(x);
        }
        return v;
    };
    WHRecord r;  // one minute of 1 s samples, pressure and velocity
    r.status1 = 0x02;
    Put(root, "wave_hunter_h98", "two-bursts", Bytes(h98File(records(2, r), 1024)));
    Put(root, "wave_hunter_h00", "two-bursts", Bytes(directoryFile(records(2, r), 1024, false)));
    WHRecord k = r;
    k.status2 = 0x0E;  // both velocity components and the level
    Put(root, "wave_hunter_k02", "two-bursts", Bytes(directoryFile(records(2, k), 1024, true)));
}

}  // namespace

void WriteInstrumentSeeds(const std::filesystem::path& root) {
    rawSeeds(root);
    dl2Seeds(root);
    vectorSeeds(root);
    waveHunterSeeds(root);
}

}  // namespace brine::seeds
