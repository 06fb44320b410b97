#pragma once
// A rectangle of grid cells, by column and row, both ends included.
namespace brine {

struct GridRect {
    int Left = 0, Top = 0, Right = -1, Bottom = -1;
    bool empty() const { return Right < Left || Bottom < Top; }
    bool operator==(const GridRect&) const = default;
};

}  // namespace brine
