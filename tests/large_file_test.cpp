// A sparse input of more than 4 GiB: 100 million records of the point (0, 0). The estimate and
// the counts must be exact beyond 32 bits. Slow (it reads 4.3 GB of zeros): labelled "slow".
#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"

namespace {

TEST(LargeFile, CountsBeyondThirtyTwoBits) {
    constexpr std::int64_t RECORDS = 100000000;
    const test::TempDir dir;
    const std::string in_path = dir / "big.qvt";
    const std::string out_path = dir / "out.qvt";
    const std::string header = test::make_sparse_input(in_path, RECORDS);

    // The progress text is about 1.6 GB: keep the estimate line and the last bytes only.
    const std::string estimate =
        "File " + in_path + ", estimated points count: " + std::to_string(RECORDS) + "\n";
    const test::RunResult result = test::run_head_and_tail(
        test::shell_quote(test::tool_path()) + " " + test::shell_quote(in_path) + " " +
            test::shell_quote(out_path) + " 1 2 2 1",
        estimate.size(), 200);
    EXPECT_EQ(result.out, estimate + test::printed_tail(RECORDS, out_path, 200) + " status=0\n");
    EXPECT_EQ(test::read_file(out_path), header);
}

}  // namespace
