#pragma once
// Practical salinity (PSS-78) and the calibration polynomial of raw files.
#include <array>

namespace brine {

// The importers' result for a value that cannot be computed: 1.1 x NoValue.
// Any value above NoValue means "no value".
extern const double kNoResult;

// Practical salinity from conductivity C (mS/cm), temperature T (deg C) and
// sea pressure P (decibars). kNoResult when T or C has no value or any step
// fails (negative ratio, overflow, NaN). No range of validity is enforced.
double PracticalSalinity(double C, double T, double P);

// Calibration coefficients: row = item (0 to 5), column = power (0 to 7).
using CoefTable = std::array<std::array<double, 8>, 6>;

// y = Coef[row][0] + sum of Coef[row][i] x X^i for i = 1 to 5. kNoResult for
// a row outside 0..5, an X without value or a non-finite result.
double CalibrateItem(const CoefTable& coef, int row, double X);

}  // namespace brine
