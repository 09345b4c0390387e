// The built tool clipping whole files: which records it keeps, every byte it writes and prints,
// and how it meets odd inputs and outputs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr int FAILED = 255;

double up(double v) { return std::nextafter(v, INF); }
double down(double v) { return std::nextafter(v, -INF); }

// A record of the fixture and whether the rectangle must keep it.
struct Point {
    double x;
    double y;
    bool kept;
};

class Clip : public testing::Test {
   protected:
    // Writes `records` after `header` as the input, runs the tool with the rectangle, and checks
    // the exit status, every byte printed and the output file.
    void clip_and_check(const std::vector<Point>& points, const std::vector<std::string>& rect,
                        const std::string& header = test::make_header(227, 2, 2, "fixture")) {
        std::string input = header;
        std::string expected = header;
        std::int64_t written = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const std::string record =
                test::record_bytes(test::make_record(points[i].x, points[i].y, i));
            input += record;
            if (points[i].kept) {
                expected += record;
                ++written;
            }
        }
        test::write_file(in_path, input);
        std::vector<std::string> args{in_path, out_path};
        args.insert(args.end(), rect.begin(), rect.end());
        const test::RunResult result = test::run_tool(args);
        const auto count = static_cast<std::int64_t>(points.size());
        EXPECT_EQ(result.out, test::run_output(in_path, count, count, written, out_path));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(test::read_file(out_path), expected);
        EXPECT_EQ(test::read_file(in_path), input);
    }

    test::TempDir dir;
    std::string in_path = dir / "in.qvt";
    std::string out_path = dir / "out.qvt";
};

// The typical run, scaled down: 50,000 records on a 250 x 200 grid of which 24 x 50 lie inside.
TEST_F(Clip, TypicalRun) {
    std::vector<Point> points;
    for (int i = 0; i < 50000; ++i) {
        const int x = i % 250;
        const int y = i / 250;
        points.push_back({500000.0 + x, 4000000.0 + y, x >= 10 && x <= 33 && y >= 100 && y <= 149});
    }
    clip_and_check(points, {"500010", "4000149", "500033", "4000100"});
}

// All four borders and corners belong to the rectangle; one step of a double beyond any border
// does not.
TEST_F(Clip, BordersAndCornersAreInsideOneUlpBeyondIsNot) {
    const double w = 494380.25, n = 4878470.5, e = 494640.75, s = 4878210.125;
    const double mx = 494500, my = 4878300;
    clip_and_check(
        {
            {w, my, true},
            {e, my, true},
            {mx, n, true},
            {mx, s, true},
            {w, n, true},
            {e, n, true},
            {w, s, true},
            {e, s, true},
            {mx, my, true},
            {down(w), my, false},
            {up(e), my, false},
            {mx, up(n), false},
            {mx, down(s), false},
            {down(w), n, false},
            {e, down(s), false},
            {up(w), down(n), true},
            {0, 0, false},
            {-mx, -my, false},
        },
        {"494380.25", "4878470.5", "494640.75", "4878210.125"});
}

struct LineCase {
    const char* name;
    std::vector<std::string> rect;
    std::vector<Point> points;
};

class Degenerate : public Clip, public testing::WithParamInterface<LineCase> {};

// Equal bounds are valid: exactly the records on the line or at the point are kept.
TEST_P(Degenerate, KeepsExactlyTheRecordsOnIt) {
    clip_and_check(GetParam().points, GetParam().rect);
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, Degenerate,
    testing::Values(
        LineCase{"ZeroWidth",
                 {"5", "10", "5", "0"},
                 {{5, 0, true},
                  {5, 10, true},
                  {5, 5, true},
                  {up(5), 5, false},
                  {down(5), 5, false},
                  {5, up(10), false},
                  {5, -0.0, true}}},
        LineCase{"ZeroHeight",
                 {"0", "7.5", "10", "7.5"},
                 {{0, 7.5, true}, {10, 7.5, true}, {3, up(7.5), false}, {3, down(7.5), false}}},
        LineCase{"SinglePoint",
                 {"5", "9", "5", "9"},
                 {{5, 9, true}, {5, up(9), false}, {up(5), 9, false}, {5, 9, true}}},
        // -0.0 and +0.0 are the same number, on either side of the comparison.
        LineCase{"PositiveZeroBounds",
                 {"0", "0", "0", "0"},
                 {{-0.0, -0.0, true}, {0.0, -0.0, true}, {-0.0, 0.0, true}}},
        LineCase{"NegativeZeroBounds",
                 {"-0", "-0", "-0.0", "-0e5"},
                 {{0.0, 0.0, true},
                  {-0.0, 0.0, true},
                  {0.0, -0.0, true},
                  {std::numeric_limits<double>::denorm_min(), 0.0, false}}}),
    test::CaseName());

// A NaN coordinate is counted and never kept; infinities compare as numbers.
TEST_F(Clip, NanAndInfiniteCoordinates) {
    const double nan = std::nan("");
    const double negative_nan = std::bit_cast<double>(0xFFF8000000000001ULL);
    const std::vector<std::string> everything{"-1e999", "1e999", "1e999", "-1e999"};
    clip_and_check({{nan, 0, false},
                    {0, nan, false},
                    {negative_nan, negative_nan, false},
                    {INF, -INF, true},
                    {-INF, INF, true},
                    {1, 1, true}},
                   everything);
    clip_and_check(
        {{nan, 0, false}, {INF, 0, false}, {-INF, 0, false}, {0, INF, false}, {1, 1, true}},
        {"-1000", "1000", "1000", "-1000"});
}

// Whatever the other fields hold, a kept record is the stored one, bit for bit; a rectangle that
// holds every record gives back the input itself.
TEST_F(Clip, EverythingGivesBackTheInputBitForBit) {
    std::string input = test::make_header(300, 2, 2, std::string("\r\n\x1A\x00 body", 9));
    for (std::uint64_t i = 0; i < 3000; ++i) {
        test::Record r =
            test::make_record(static_cast<double>(i), -1.0 * static_cast<double>(i), i);
        if (i % 3 == 0) {
            r.value0 = 0x7FF0000000000001ULL;  // signalling NaN patterns
            r.value3 = 0xFFF4000000000000ULL;
        }
        input += test::record_bytes(r);
    }
    input.replace(300 + 43 * 7, 43, std::string(43, '\x1A'));  // x = y = an ordinary number
    input.replace(300 + 43 * 8 + 32, 11, std::string("\r\n\r\n\x1A\x0A\x0D\x00\x00\x0D\x0A", 11));
    test::write_file(in_path, input);
    const test::RunResult result =
        test::run_tool({in_path, out_path, "-1e999", "1e999", "1e999", "-1e999"});
    EXPECT_EQ(result.out, test::run_output(in_path, 3000, 3000, 3000, out_path));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(test::read_file(out_path), input);
}

struct CountCase {
    const char* name;
    std::int64_t records;
    bool keep;
};

class RecordCount : public Clip, public testing::WithParamInterface<CountCase> {};

// The progress lines follow bit 0x4000 of the count, including the repeat by the final
// iteration; a rectangle that keeps nothing still counts every record.
TEST_P(RecordCount, PrintsExactProgressLines) {
    const std::string header = test::make_header(512, 2, 2, "count");
    std::string input = header;
    for (std::int64_t i = 0; i < GetParam().records; ++i) {
        input += test::record_bytes(test::make_record(1, 1, static_cast<std::uint64_t>(i)));
    }
    test::write_file(in_path, input);
    const std::string bound = GetParam().keep ? "1" : "2";
    const test::RunResult result = test::run_tool({in_path, out_path, bound, "1", bound, "1"});
    const std::int64_t n = GetParam().records;
    EXPECT_EQ(result.out, test::run_output(in_path, n, n, GetParam().keep ? n : 0, out_path));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(test::read_file(out_path), GetParam().keep ? input : header);
}

INSTANTIATE_TEST_SUITE_P(
    Progress, RecordCount,
    testing::Values(CountCase{"None", 0, true}, CountCase{"Below16384", 16383, true},
                    CountCase{"Exactly16384", 16384, true}, CountCase{"Twenty000", 20000, true},
                    CountCase{"Twenty000KeepNothing", 20000, false},
                    CountCase{"Exactly32768", 32768, false}, CountCase{"ThirdRange", 50000, false}),
    test::CaseName());

// 1 to 42 bytes after the last whole record are not a record: not counted, not written.
TEST_F(Clip, TrailingBytesAreIgnored) {
    for (const std::size_t tail : {std::size_t{1}, std::size_t{14}, std::size_t{42}}) {
        const std::string header = test::make_header(64);
        const std::string records =
            test::qvt_file("", {test::make_record(1, 1, 1), test::make_record(2, 2, 2)});
        // The tail's bytes would put a point inside the rectangle if they were read as one.
        const std::string input = header + records + records.substr(0, tail);
        test::write_file(in_path, input);
        const test::RunResult result = test::run_tool({in_path, out_path, "0", "9", "9", "0"});
        EXPECT_EQ(result.out, test::run_output(in_path, 2, 2, 2, out_path)) << tail;
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(test::read_file(out_path), header + records) << tail;
    }
}

// The survey files and their rectangles, with the counts made by two independent readers.
struct SurveyCase {
    const char* name;
    const char* file;
    std::vector<std::string> rect;
    std::int64_t records;
    std::int64_t inside;
};

class Survey : public Clip, public testing::WithParamInterface<SurveyCase> {};

TEST_P(Survey, KeepsTheCountedRecords) {
    const std::string data = test::shared_data_dir();
    if (data.empty()) {
        GTEST_SKIP() << "the survey files are not next to the project";
    }
    const SurveyCase& c = GetParam();
    const std::string in = data + "/" + c.file;
    std::vector<std::string> args{in, out_path};
    args.insert(args.end(), c.rect.begin(), c.rect.end());
    const test::RunResult result = test::run_tool(args);
    EXPECT_EQ(result.out, test::run_output(in, c.records, c.records, c.inside, out_path));
    EXPECT_EQ(result.status, 0);

    // The output is the header followed by the inside records, in order, as stored.
    const std::string input = test::read_file(in);
    const std::string output = test::read_file(out_path);
    ASSERT_EQ(output.size(), 512 + 43 * static_cast<std::size_t>(c.inside));
    EXPECT_EQ(output.substr(0, 512), input.substr(0, 512));
    std::size_t at = 512;
    for (std::size_t from = 512; from < input.size() && at < output.size(); from += 43) {
        if (input.compare(from, 43, output, at, 43) == 0) {
            at += 43;
        }
    }
    EXPECT_EQ(at, output.size()) << "the kept records are not a subsequence of the input";
    if (c.inside == c.records) {
        EXPECT_EQ(output, input);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Survey,
    testing::Values(SurveyCase{"AutzenStadium",
                               "autzen_utm10n.qvt",
                               {"494380", "4878470", "494640", "4878210"},
                               1065,
                               49},
                    SurveyCase{"AutzenStrip",
                               "autzen_utm10n.qvt",
                               {"494499.99", "4878817.0200000005", "494509.15", "4877429.62"},
                               1065,
                               13},
                    SurveyCase{"AutzenEverything",
                               "autzen_utm10n.qvt",
                               {"493994.87", "4878817.0200000005", "494993.68", "4877429.62"},
                               1065,
                               1065},
                    SurveyCase{"AutzenNorthTypedToTheCentimetre",
                               "autzen_utm10n.qvt",
                               {"493994.87", "4878817.02", "494993.68", "4877429.62"},
                               1065,
                               1064},
                    SurveyCase{"MegaplotLakeBay",
                               "megaplot_utm17n.qvt",
                               {"684760", "5017910", "684800", "5017825"},
                               81590,
                               2571},
                    SurveyCase{"MegaplotStrip",
                               "megaplot_utm17n.qvt",
                               {"684766.39", "5017890.5", "684993.29", "5017890.0"},
                               81590,
                               181},
                    SurveyCase{"MegaplotEverything",
                               "megaplot_utm17n.qvt",
                               {"684766.39", "5018007.25", "684993.29", "5017773.08"},
                               81590,
                               81590}),
    test::CaseName());

// Writing to a full disk fails with a message, no summary and status -1.
TEST_F(Clip, FullDiskOutput) {
    test::write_file(in_path, test::qvt_file(test::make_header(8), {test::make_record(1, 1)}));
    const test::RunResult result = test::run_tool({in_path, "/dev/full", "0", "9", "9", "0"});
    EXPECT_EQ(result.out, "File " + in_path +
                              ", estimated points count: 1\nERROR: Can't write output file "
                              "/dev/full!\n");
    EXPECT_EQ(result.status, FAILED);
}

// A FIFO has no size: the estimate is 0, and the records are clipped as from a file.
TEST_F(Clip, InputFromAFifo) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string header = test::make_header(100);
    std::string input = header;
    std::string expected = header;
    for (int i = 0; i < 30000; ++i) {
        const std::string record =
            test::record_bytes(test::make_record(i % 2, 0, static_cast<std::uint64_t>(i)));
        input += record;
        expected += i % 2 == 0 ? record : "";
    }
    test::write_file(in_path, input);
    const test::RunResult result =
        test::run_shell("cat " + test::shell_quote(in_path) + " > " + test::shell_quote(fifo) +
                        " & " + test::shell_quote(test::tool_path()) + " " +
                        test::shell_quote(fifo) + " " + test::shell_quote(out_path) + " 0 0 0.5 0");
    EXPECT_EQ(result.out, test::run_output(fifo, 0, 30000, 15000, out_path));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(test::read_file(out_path), expected);
}

// A read that fails part-way through the records, injected by strace into the tool's own reads.
TEST_F(Clip, ReadErrorMidFile) {
    if (test::run_shell("strace -f -o /dev/null -e inject=getpid:error=EIO true").status != 0) {
        GTEST_SKIP() << "strace cannot inject faults here";
    }
    std::string input = test::make_header(512);
    for (int i = 0; i < 60000; ++i) {
        input += test::record_bytes(test::make_record(1, 1, static_cast<std::uint64_t>(i)));
    }
    test::write_file(in_path, input);
    test::write_file(out_path, "previous content");
    // The first read fills the buffer; the second and every later one fail.
    const test::RunResult result = test::run_program(
        {"env", "ASAN_OPTIONS=detect_leaks=0",  // a leak check cannot run under ptrace
         "strace", "-f", "-o", "/dev/null", "-P", in_path, "-e", "inject=read:error=EIO:when=2+",
         test::tool_path(), in_path, out_path, "0", "9", "9", "0"});
    EXPECT_TRUE(result.out.starts_with("File " + in_path + ", estimated points count: 60000\n"))
        << result.out;
    EXPECT_TRUE(result.out.ends_with(" processed\rERROR: Can't read input file " + in_path + "!\n"))
        << result.out;
    EXPECT_EQ(result.status, FAILED);
    EXPECT_EQ(result.out.find("written"), std::string::npos);
    EXPECT_EQ(test::read_file(out_path), "");
    EXPECT_EQ(test::read_file(in_path), input);
}

// On a terminal, progress lines are coalesced, but the screen ends as it would have: the
// estimate, the last progress line, the summary.
TEST_F(Clip, OnATerminal) {
    std::string input = test::make_header(512);
    for (int i = 0; i < 20000; ++i) {
        input += test::record_bytes(test::make_record(i % 3, 0, static_cast<std::uint64_t>(i)));
    }
    test::write_file(in_path, input);
    const test::RunResult result =
        test::run_program({"script", "-qec",
                           test::shell_quote(test::tool_path()) + " " + test::shell_quote(in_path) +
                               " " + test::shell_quote(out_path) + " 0 1 1 0",
                           "/dev/null"});
    if (result.status != 0 && result.out.empty()) {
        GTEST_SKIP() << "script cannot open a pseudo-terminal here";
    }
    // The terminal turns "\n" into "\r\n".
    EXPECT_TRUE(result.out.starts_with("File " + in_path + ", estimated points count: 20000\r\n"))
        << result.out;
    EXPECT_TRUE(result.out.ends_with("20000 processed\r13334 records written succesfully to " +
                                     out_path + "."))
        << result.out;
    EXPECT_EQ(result.status, 0);
    std::string expected = test::make_header(512);
    for (int i = 0; i < 20000; ++i) {
        expected += i % 3 == 2 ? "" : input.substr(512 + 43 * static_cast<std::size_t>(i), 43);
    }
    EXPECT_EQ(test::read_file(out_path), expected);
}

}  // namespace
