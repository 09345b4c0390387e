// Progress lines are made in bulk from runs of counts; they must read exactly as if each had been
// printed on its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console.hpp"
#include "test_support.hpp"

namespace {

std::string line_for(std::int64_t count) { return std::to_string(count) + " processed\r"; }

struct ProgressCase {
    const char* name;
    std::vector<std::int64_t> counts;
};

std::vector<std::int64_t> span(std::int64_t first, std::int64_t last) {
    std::vector<std::int64_t> counts;
    for (std::int64_t count = first;; ++count) {
        counts.push_back(count);
        if (count == last) {
            break;  // last may be the largest count there is
        }
    }
    return counts;
}

std::vector<std::int64_t> join(std::vector<std::vector<std::int64_t>> parts) {
    std::vector<std::int64_t> counts;
    for (const auto& part : parts) {
        counts.insert(counts.end(), part.begin(), part.end());
    }
    return counts;
}

class ProgressLines : public testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressLines, ReadAsTheirCounts) {
    test::CapturedConsole captured;
    std::string expected;
    for (const std::int64_t count : GetParam().counts) {
        dozovor::show_progress(captured.console, count);
        expected += line_for(count);
    }
    dozovor::say(captured.console, "done");
    EXPECT_EQ(captured.text(), expected + "done");
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ProgressLines,
    testing::Values(ProgressCase{"FromZero", span(0, 25)},
                    ProgressCase{"CarryIntoTwoDigits", span(7, 12)},
                    ProgressCase{"CarryIntoThreeDigits", span(95, 101)},
                    ProgressCase{"CarryIntoSeven", span(999990, 1000011)},
                    ProgressCase{"RepeatAndJump",
                                 join({span(16384, 16390), {16390}, span(49152, 49155), {49155}})},
                    ProgressCase{"RangeEdges", join({span(32760, 32767), span(49152, 49170)})},
                    ProgressCase{"BeyondThirtyTwoBits", span(4294967290, 4294967305)},
                    ProgressCase{"LargestCounts", span(9223372036854775790, 9223372036854775806)},
                    // More text than one buffer holds: 70,000 lines of 16 bytes.
                    ProgressCase{"LargerThanTheBuffer", span(100000, 169999)}),
    test::CaseName());

// On a terminal the lines are coalesced, but the newest one always comes before the next message.
TEST(TerminalProgress, ShowsTheNewestLineBeforeAMessage) {
    test::CapturedConsole captured;
    captured.console.terminal = true;
    for (std::int64_t count = 16384; count <= 20000; ++count) {
        dozovor::show_progress(captured.console, count);
    }
    dozovor::show_progress(captured.console, 20000);
    dozovor::say(captured.console, "7 records written succesfully to out.qvt.");
    const std::string text = captured.text();
    EXPECT_TRUE(text.ends_with(line_for(20000) + "7 records written succesfully to out.qvt."))
        << text;
    EXPECT_LT(text.size(), 1000u) << "the lines were not coalesced";
}

}  // namespace
