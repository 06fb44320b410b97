#include "importers/vector_bed_detection.h"

#include <cmath>

#include "base/cp932.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/text_fields.h"
#include "core/line_split.h"
#include "importers/vector_header.h"

namespace brine {

double DetectBedDistance(std::span<const double> distances, std::span<const double> amplitudes, double minDistance,
                         std::vector<BedPeak>* peaks) {
    std::vector<double> d, a;
    const std::size_t n = std::min(distances.size(), amplitudes.size());
    for (std::size_t i = 0; i < n; ++i)
        if (distances[i] > minDistance) {
            d.push_back(distances[i]);
            a.push_back(amplitudes[i]);
        }
    std::vector<BedPeak> found;
    double rise = 0;
    for (std::size_t i = 0; i + 1 < d.size(); ++i) {
        double step = a[i + 1] - a[i];
        if (step > 0) {
            rise += step;
        } else if (rise > 0) {
            found.push_back({rise, d[i]});
            rise = 0;
        }
    }
    for (std::size_t i = 0; i + 1 < found.size(); ++i)
        for (std::size_t j = i + 1; j < found.size(); ++j)
            if (found[i].Strength < found[j].Strength) std::swap(found[i], found[j]);
    double result = found.empty() ? 0 : found.front().Distance;
    if (peaks) *peaks = std::move(found);
    return result;
}

ProbeCheckReader::ProbeCheckReader(const std::string& fileName)
    : fileName_(fileName), reader_(std::make_unique<LineReader>(fileName)) {}

ProbeCheckReader::~ProbeCheckReader() = default;

bool ProbeCheckReader::readPoint(double& distance, double& amplitude, long long& number) {
    std::string_view line;
    while (reader_->next(line)) {
        if (TrimView(line).empty()) continue;  // a blank line holds no point
        std::vector<std::string> f = SplitBlanks(line);
        std::optional<long long> no = f.size() >= 5 ? ParseWhole(f[0]) : std::nullopt;
        double v[4] = {};
        bool ok = no.has_value();
        for (std::size_t k = 0; ok && k < 4; ++k) {
            std::optional<double> x = ParseDecimal(f[k + 1]);
            ok = x.has_value();
            if (ok) v[k] = *x;
        }
        if (!ok)
            throw ConversionError("数値でないデータがあります。\n" + fileName_ + "\n" + std::to_string(reader_->lineNumber()) +
                                  "行目: " + cp932ToUtf8(line));
        number = *no;
        distance = v[0];
        amplitude = (v[1] + v[2] + v[3]) / 3;
        return true;
    }
    return false;
}

bool ProbeCheckReader::next(AmplitudeProfile& profile, bool& closedByBoundary) {
    profile.Distance.clear();
    profile.Amplitude.clear();
    closedByBoundary = false;
    if (pending_) {
        profile.Distance.push_back(pendingDistance_);
        profile.Amplitude.push_back(pendingAmplitude_);
        pending_ = false;
    }
    double distance = 0, amplitude = 0;
    long long number = 0;
    while (readPoint(distance, amplitude, number)) {
        if (number < compareWith_) {
            compareWith_ = 0;
            if (!profile.Distance.empty()) {
                pending_ = true;
                pendingDistance_ = distance;
                pendingAmplitude_ = amplitude;
                closedByBoundary = true;
                return true;
            }
        } else {
            compareWith_ = number;
        }
        profile.Distance.push_back(distance);
        profile.Amplitude.push_back(amplitude);
    }
    return !profile.Distance.empty();
}

std::vector<double> ReadProbeCheckFile(const std::string& pckFileName, double minDistance) {
    std::vector<double> out;
    ProbeCheckReader r(pckFileName);
    AmplitudeProfile p;
    bool boundary = false;
    while (r.next(p, boundary)) out.push_back(DetectBedDistance(p.Distance, p.Amplitude, minDistance));
    return out;
}

BurstProfile SelectBurstProfile(const std::string& pckFileName, double firstTime, double burstDays,
                                double burstDurationDays, double targetTime, double minDistance) {
    BurstProfile out;
    ProbeCheckReader r(pckFileName);
    AmplitudeProfile p;
    bool boundary = false;
    for (long long index = 0; r.next(p, boundary); ++index) {
        const double stamp = firstTime + static_cast<double>(index / 2) * burstDays;
        if (!(std::fabs(stamp - targetTime) < 0.1 * burstDurationDays)) continue;
        out.Profile = std::move(p);
        if (boundary) out.ShownTime = stamp;
        break;
    }
    out.BedDistance = DetectBedDistance(out.Profile.Distance, out.Profile.Amplitude, minDistance);
    return out;
}

std::string BedDistanceTitle(double distance) {
    return "Distance to Detected Bed (mm): " + FormatOneDecimal(distance);
}

}  // namespace brine
