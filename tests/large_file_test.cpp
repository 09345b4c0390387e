// A sparse input of more than 4 GiB: 100 million records of the point (0, 0). The estimate and
// the counts must be exact beyond 32 bits. Slow (it reads 4.3 GB of zeros): labelled "slow".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "test_support.hpp"

namespace {

TEST(LargeFile, CountsBeyondThirtyTwoBits) {
    constexpr std::int64_t RECORDS = 100000000;
    const test::TempDir dir;
    const std::string in_path = dir / "big.qvt";
    const std::string out_path = dir / "out.qvt";
    const std::string header = test::make_header(512, 2, 2, "sparse");
    test::write_file(in_path, header);
    ASSERT_EQ(::truncate(in_path.c_str(), 512 + 43 * RECORDS), 0);

    // The progress text is about 1.6 GB: keep its first line and its last bytes only.
    const std::string estimate =
        "File " + in_path + ", estimated points count: " + std::to_string(RECORDS) + "\n";
    const std::string summary = "0 records written succesfully to " + out_path + ".";
    std::string last_lines;
    for (std::int64_t count = RECORDS - 20; count <= RECORDS; ++count) {
        last_lines += std::to_string(count) + " processed\r";
    }
    last_lines += std::to_string(RECORDS) + " processed\r";  // the final iteration's repeat
    const std::string tail =
        (last_lines + summary).substr(last_lines.size() + summary.size() - 200);

    const test::RunResult result =
        test::run_program({"bash", "-c",
                           test::shell_quote(test::tool_path()) + " " + test::shell_quote(in_path) +
                               " " + test::shell_quote(out_path) + " 1 2 2 1 | (head -c " +
                               std::to_string(estimate.size()) +
                               "; tail -c 200); echo \" status=${PIPESTATUS[0]}\""});
    EXPECT_EQ(result.out, estimate + tail + " status=0\n");
    EXPECT_EQ(test::read_file(out_path), header);
}

}  // namespace
