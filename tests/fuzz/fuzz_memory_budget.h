// The memory a fuzzed decode may take, as a build worker's share of the budget would allow. A
// picture's own size limit lets a few bytes claim a picture of a gigabyte or more (and a codec
// library then allocates for it before it finds the data missing): legitimate for a real file of
// that size, but no finding. The build asks its gate before every such allocation; so do the
// targets, and a refusal is one more clean failure for them to survive.

#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace fuzz {

inline constexpr uint64_t kDecodeBudget = uint64_t{128} << 20;

class BudgetGate final : public PictureMemoryGate {
public:
    bool allowPixels(uint64_t bytes) override { return bytes <= kDecodeBudget; }
    bool allowWorkingSet(uint64_t bytes) override { return bytes <= kDecodeBudget; }
};

// Installs the gate for the calling thread while it lives.
class ScopedDecodeBudget {
public:
    ScopedDecodeBudget() : scope_(gate_) {}

private:
    BudgetGate gate_;
    ScopedPictureMemoryGate scope_;
};

}  // namespace fuzz
