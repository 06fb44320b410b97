#include "importers/salinity.h"

#include <cmath>

#include "base/rounding.h"

namespace brine {

const double kNoResult = 1.1 * static_cast<double>(NoValue);

namespace {
// Coefficients of the 1978 practical salinity scale.
constexpr double a0 = 0.0080, a1 = -0.1692, a2 = 25.3851, a3 = 14.0941, a4 = -7.0261, a5 = 2.7081;
constexpr double b0 = 0.0005, b1 = -0.0056, b2 = -0.0066, b3 = -0.0375, b4 = 0.0636, b5 = -0.0144;
constexpr double c0 = 0.6766097, c1 = 2.00564e-2, c2 = 1.104259e-4, c3 = -6.9698e-7, c4 = 1.0031e-9;
constexpr double d1 = 3.426e-2, d2 = 4.464e-4, d3 = 4.215e-1, d4 = -3.107e-3;
constexpr double e1 = 2.070e-5, e2 = -6.370e-10, e3 = 3.989e-15;
constexpr double k = 0.0162;
constexpr double kStandardConductivity = 42.914;  // mS/cm at S = 35, 15 deg C, zero pressure
}  // namespace

double PracticalSalinity(double C, double T, double P) {
    if (!HasValue(C) || !HasValue(T) || !std::isfinite(P)) return kNoResult;
    double R = C / kStandardConductivity;
    double rt = c0 + T * (c1 + T * (c2 + T * (c3 + T * c4)));
    double Rp = 1 + P * (e1 + P * (e2 + P * e3)) / (1 + d1 * T + d2 * T * T + d3 * R + d4 * T * R);
    double Rt = R / rt / Rp;
    // A negative ratio has no square root; the standard's formula is undefined there.
    if (!std::isfinite(Rt) || Rt < 0) return kNoResult;
    double s = std::sqrt(Rt);
    double dT = T - 15;
    double S = a0 + a1 * s + a2 * Rt + a3 * Rt * s + a4 * Rt * Rt + a5 * Rt * Rt * s +
               dT / (1 + k * dT) * (b0 + b1 * s + b2 * Rt + b3 * Rt * s + b4 * Rt * Rt + b5 * Rt * Rt * s);
    return HasValue(S) ? S : kNoResult;
}

double CalibrateItem(const CoefTable& coef, int row, double X) {
    if (row < 0 || row >= static_cast<int>(coef.size()) || !HasValue(X)) return kNoResult;
    const auto& c = coef[static_cast<std::size_t>(row)];
    double y = c[0];
    double p = 1;
    for (int i = 1; i <= 5; ++i) {
        p *= X;
        y += c[static_cast<std::size_t>(i)] * p;
    }
    return HasValue(y) ? y : kNoResult;
}

}  // namespace brine
