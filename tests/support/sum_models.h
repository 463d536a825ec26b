#pragma once
// Scalar models of the ways the builds form one output's sum, term by term in single
// precision, so that a kernel can be checked bit for bit against the order it promises.

#include <cmath>
#include <cstdint>

#include "engine/resample/standard/filter_design.h"

namespace zel::test {

enum class SumOrder {
    kSequential,       // k = 0..50 in order, rounded after every term
    kAlternatePairs,   // four lane sums closed as (a0 + a2) + (a1 + a3)
    kAdjacentPairs,    // four lane sums closed as (a0 + a1) + (a2 + a3)
    kGroupsInOrder,    // (p0 + p1) + (p2 + p3) per group of four, groups added in order
    kFusedEightLanes,  // eight lanes of fused multiply-adds, ((l0 + l1) + (l2 + l3)) + ...
};

inline float ModelSum(SumOrder order, const float* row, const float* x) {
    switch (order) {
        case SumOrder::kSequential: {
            float sum = 0.0f;
            for (int k = 0; k <= kTapSpan; ++k) sum += row[k] * x[k];
            return sum;
        }
        case SumOrder::kAlternatePairs:
        case SumOrder::kAdjacentPairs: {
            float lanes[4] = {};
            for (int s = 0; s < kRowStride / 4; ++s)
                for (int i = 0; i < 4; ++i) lanes[i] += row[4 * s + i] * x[4 * s + i];
            if (order == SumOrder::kAlternatePairs)
                return (lanes[0] + lanes[2]) + (lanes[1] + lanes[3]);
            return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
        }
        case SumOrder::kGroupsInOrder: {
            float sum = 0.0f;
            for (int m = 0; m < kRowStride / 4; ++m) {
                const float* r = row + 4 * m;
                const float* v = x + 4 * m;
                sum += (r[0] * v[0] + r[1] * v[1]) + (r[2] * v[2] + r[3] * v[3]);
            }
            return sum;
        }
        case SumOrder::kFusedEightLanes: {
            float lanes[8];
            for (int k = 0; k < 8; ++k) lanes[k] = row[k] * x[k];
            for (int k = 8; k < kRowStride; ++k)
                lanes[k % 8] = std::fma(row[k], x[k], lanes[k % 8]);
            return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) +
                   ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
        }
    }
    return 0.0f;
}

}  // namespace zel::test
