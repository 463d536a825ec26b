// The writer thread behind libsndfile outputs: every block reaches the file in order, and a
// failed write is reported (never a success) with nothing after it written.

#include "engine/convert/background_sink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace zel {
namespace {

// Keeps what it is given, refusing the block numbered `failAt` and every one after it.
class RecordingSink : public ByteSink {
  public:
    explicit RecordingSink(std::optional<int> failAt) : failAt_(failAt) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        if (failAt_ && blocks_ >= *failAt_) return false;
        ++blocks_;
        bytes.insert(bytes.end(), buffer, buffer + count);
        return true;
    }
    std::vector<std::uint8_t> bytes;

  private:
    std::optional<int> failAt_;
    int blocks_ = 0;
};

struct SinkRow {
    std::optional<int> failAt;
    int blocksWritten;  // of the 40 offered
};

// The name ctest lists the row under (else GoogleTest's dump of the row's bytes).
void PrintTo(const SinkRow& row, std::ostream* os) {
    if (row.failAt)
        *os << "fails at block " << *row.failAt;
    else
        *os << "never fails";
}

class BackgroundSinkRows : public ::testing::TestWithParam<SinkRow> {};

TEST_P(BackgroundSinkRows, WritesInOrderAndReportsAFailure) {
    constexpr int kBlocks = 40;
    constexpr std::size_t kBlockBytes = 1000;
    RecordingSink target(GetParam().failAt);
    BackgroundSink sink(target);
    std::vector<std::uint8_t> offered;
    bool everyWriteTaken = true;
    for (int b = 0; b < kBlocks && everyWriteTaken; ++b) {
        std::vector<std::uint8_t> block(kBlockBytes);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::uint8_t>(b * 7 + i);
        offered.insert(offered.end(), block.begin(), block.end());
        everyWriteTaken = sink.Write(block.data(), block.size());
    }
    const bool finished = sink.Finish();

    const bool fails = GetParam().failAt.has_value();
    EXPECT_EQ(everyWriteTaken && finished, !fails);
    const auto expected = static_cast<std::size_t>(GetParam().blocksWritten) * kBlockBytes;
    ASSERT_EQ(target.bytes.size(), expected);
    EXPECT_TRUE(std::equal(target.bytes.begin(), target.bytes.end(), offered.begin()));
}

INSTANTIATE_TEST_SUITE_P(Blocks, BackgroundSinkRows,
                         ::testing::Values(SinkRow{std::nullopt, 40}, SinkRow{0, 0},
                                           SinkRow{3, 3}, SinkRow{39, 39}));

}  // namespace
}  // namespace zel
