#pragma once
// Probe-check amplitude profiles (".pck") of newer Vector exports and the
// detection of the bed distance in them. No Qt.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brine {

class LineReader;

// One profile: distances (mm) and mean amplitudes of the three beams, in file order.
struct AmplitudeProfile {
    std::vector<double> Distance;
    std::vector<double> Amplitude;
};

struct BedPeak {
    double Strength = 0;  // the rise summed up to the peak
    double Distance = 0;  // distance of the top of the rise
};

// The distance (mm) at which the amplitude rises most, among the points
// beyond minDistance; 0 when no rise ends there. peaks, when given, gets
// every rise, strongest first (equal strengths keep their order).
double DetectBedDistance(std::span<const double> distances, std::span<const double> amplitudes, double minDistance,
                         std::vector<BedPeak>* peaks = nullptr);

// Reads the profiles of a ".pck" one by one. A profile ends where the point
// number decreases; the line right after a boundary is compared with 0, so a
// profile has at least two lines unless the file ends.
class ProbeCheckReader {
public:
    // IoError when the file cannot be opened.
    explicit ProbeCheckReader(const std::string& fileName);
    ~ProbeCheckReader();
    ProbeCheckReader(const ProbeCheckReader&) = delete;
    ProbeCheckReader& operator=(const ProbeCheckReader&) = delete;

    // The next profile; false when none is left. closedByBoundary tells
    // whether a following profile's first line ended it (false: the file
    // ended). ConversionError, naming the line, for a line that is not five
    // numbers.
    bool next(AmplitudeProfile& profile, bool& closedByBoundary);

private:
    bool readPoint(double& distance, double& amplitude, long long& number);
    std::string fileName_;
    std::unique_ptr<LineReader> reader_;
    long long compareWith_ = 0;
    bool pending_ = false;  // a line read ahead opens the next profile
    double pendingDistance_ = 0, pendingAmplitude_ = 0;
};

// The bed distance of every profile of the file, by profile number.
std::vector<double> ReadProbeCheckFile(const std::string& pckFileName, double minDistance);

// The profile that the amplitude page draws for a burst: profiles 2k and
// 2k+1 are stamped firstTime + k x burstDays, and the first profile whose
// stamp lies within a tenth of the burst's duration of the target is taken.
struct BurstProfile {
    AmplitudeProfile Profile;         // empty when none lies within the tolerance
    std::optional<double> ShownTime;  // the profile's time, unless the file ended inside it
    double BedDistance = 0;
};
BurstProfile SelectBurstProfile(const std::string& pckFileName, double firstTime, double burstDays,
                                double burstDurationDays, double targetTime, double minDistance);

// "Distance to Detected Bed (mm): " followed by the distance as "0.0".
std::string BedDistanceTitle(double distance);

}  // namespace brine
