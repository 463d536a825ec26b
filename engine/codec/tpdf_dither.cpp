#include "engine/codec/tpdf_dither.h"

namespace zel {
namespace {

constexpr int kXorShiftA = 13;
constexpr int kXorShiftB = 7;
constexpr int kXorShiftC = 17;
constexpr int kMantissaShift = 40;                // keep 24 random bits
constexpr float kUnitScale = 1.0f / 16777216.0f;  // 2^-24

}  // namespace

float TpdfDither::Uniform() {
    state_ ^= state_ << kXorShiftA;
    state_ ^= state_ >> kXorShiftB;
    state_ ^= state_ << kXorShiftC;
    return static_cast<float>(state_ >> kMantissaShift) * kUnitScale;
}

}  // namespace zel
