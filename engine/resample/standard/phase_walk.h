#pragma once
// Walks the outputs of one block: output j lies at input position j*P/Q (relative to the
// block's first frame). Its coefficient row is p = (-j*P) mod Q and its first input index
// is A = ceil(j*P/Q). Kept incrementally, so no product j*P is ever formed.

#include <cstdint>

namespace zel {

class PhaseWalk {
public:
    PhaseWalk(std::int64_t p, std::int64_t q) : q_(q), stepWhole_(p / q), stepRest_(p % q) {}

    std::int64_t Phase() const { return rest_ == 0 ? 0 : q_ - rest_; }
    std::int64_t Start() const { return whole_ + (rest_ > 0 ? 1 : 0); }

    void Advance() {
        whole_ += stepWhole_;
        rest_ += stepRest_;
        if (rest_ >= q_) {
            rest_ -= q_;
            ++whole_;
        }
    }

private:
    std::int64_t q_;
    std::int64_t stepWhole_;
    std::int64_t stepRest_;
    std::int64_t whole_ = 0;  // floor(j*P/Q)
    std::int64_t rest_ = 0;   // j*P mod Q
};

}  // namespace zel
