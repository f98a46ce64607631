#pragma once
// The number of thumbnail rows or columns of an album page. It holds only what the settings
// panel offers, 1 to 100: whatever is assigned is brought to the nearer end, so nothing that
// reads the settings (the pages, the preview, the command line) meets a grid of no cells or of
// more cells than a page can carry.

#include <algorithm>
#include <cstdint>

class GridSide {
public:
    static constexpr int32_t kMinimum = 1;
    static constexpr int32_t kMaximum = 100;

    constexpr GridSide(int32_t value = kMinimum) : value_(std::clamp(value, kMinimum, kMaximum)) {}
    constexpr operator int32_t() const { return value_; }

private:
    int32_t value_;
};
