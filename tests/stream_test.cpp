// Reads and writes that fail, stop short or are interrupted, injected under the stream layer.
#include "io/stream.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "clip.hpp"
#include "format/qvt.hpp"
#include "test_support.hpp"

namespace {

// The injected functions' plan: how many bytes pass before the failure, and its errno.
struct Plan {
    std::size_t pass_bytes = 0;
    int error = 0;
    std::size_t chunk = 0;    // when nonzero, no call moves more than this many bytes
    int interrupt_every = 0;  // when nonzero, every n-th call fails with EINTR
    int calls = 0;
};
Plan plan;

bool interrupted() {
    ++plan.calls;
    if (plan.interrupt_every != 0 && plan.calls % plan.interrupt_every == 0) {
        errno = EINTR;
        return true;
    }
    return false;
}

std::size_t allowed(std::size_t count) {
    if (plan.chunk != 0 && count > plan.chunk) {
        count = plan.chunk;
    }
    if (plan.error != 0 && count > plan.pass_bytes) {
        count = plan.pass_bytes;
    }
    return count;
}

ssize_t planned_read(int fd, void* buffer, std::size_t count) {
    if (interrupted()) {
        return -1;
    }
    count = allowed(count);
    if (count == 0 && plan.error != 0) {
        errno = plan.error;
        return -1;
    }
    const ssize_t got = ::read(fd, buffer, count);
    if (got > 0) {
        plan.pass_bytes -= plan.error != 0 ? static_cast<std::size_t>(got) : 0;
    }
    return got;
}

ssize_t planned_write(int fd, const void* buffer, std::size_t count) {
    if (interrupted()) {
        return -1;
    }
    const std::size_t requested = count;
    count = allowed(count);
    if (count == 0 && requested > 0 && plan.error != 0) {
        errno = plan.error;
        return -1;
    }
    const ssize_t put = ::write(fd, buffer, count);
    if (put > 0 && plan.error != 0) {
        plan.pass_bytes -= static_cast<std::size_t>(put);
    }
    return put;
}

// Runs the header copy and the clip pass as the tool does, with the planned functions under the
// input or the output.
class InjectedPass : public testing::Test {
   protected:
    void SetUp() override {
        plan = Plan{};
        std::vector<test::Record> records;
        for (int i = 0; i < 60000; ++i) {
            records.push_back(test::make_record(i % 3, 0, static_cast<std::uint64_t>(i)));
        }
        header = test::make_header(100, 2, 2, "body");
        input = test::qvt_file(header, records);
        test::write_file(in_path, input);
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].x <= 1.0) {
                kept += input.substr(header.size() + 43 * i, 43);
            }
        }
    }

    int clip(dozovor::ReadFunction read_function, dozovor::WriteFunction write_function) {
        dozovor::InputStream in;
        dozovor::OutputStream out;
        if (dozovor::open_input(in, in_path.c_str(), read_function) != 0 ||
            dozovor::open_output(out, out_path.c_str(), write_function) != 0) {
            return 99;
        }
        const dozovor::ClipRect rect{0, 1, 1, 0};
        dozovor::FileHeader file_header;
        if (dozovor::copy_header(in, out, file_header, console.console) != 0 ||
            dozovor::clip_points(in, out, rect, dozovor::input_file_size(in),
                                 file_header.header_size, console.console) != 0) {
            dozovor::discard_output(out);
            return -1;
        }
        return 0;
    }

    test::TempDir dir;
    std::string in_path = dir / "in.qvt";
    std::string out_path = dir / "out.qvt";
    std::string header;
    std::string input;
    std::string kept;
    test::CapturedConsole console;
};

std::string estimate_line(const std::string& in_path) {
    return "File " + in_path + ", estimated points count: 60000\n";
}

TEST_F(InjectedPass, ReadErrorMidFileFailsAndEmptiesTheOutput) {
    plan.error = EIO;
    plan.pass_bytes = 1500000;  // inside the second buffer's worth of records
    EXPECT_EQ(clip(planned_read, dozovor::system_write), -1);
    const std::string text = console.text();
    EXPECT_TRUE(text.starts_with(estimate_line(in_path))) << text;
    EXPECT_TRUE(text.ends_with("ERROR: Can't read input file " + in_path + "!\n")) << text;
    EXPECT_EQ(text.find("written"), std::string::npos);
    EXPECT_EQ(test::read_file(out_path), "");
}

TEST_F(InjectedPass, ReadErrorInsideTheHeader) {
    plan.error = EIO;
    plan.pass_bytes = 50;
    EXPECT_EQ(clip(planned_read, dozovor::system_write), -1);
    EXPECT_EQ(console.text(), "ERROR: Can't read header of input file " + in_path + "!\n");
    EXPECT_EQ(test::read_file(out_path), "");
}

struct WriteFailure {
    const char* name;
    std::size_t pass_bytes;
    int error;
};

class FailingWrite : public InjectedPass, public testing::WithParamInterface<WriteFailure> {};

// A full disk or a size limit, met while the header, a record, or the final flush is written:
// always the same message, no summary, and nothing left in the output.
TEST_P(FailingWrite, FailsAndEmptiesTheOutput) {
    plan.error = GetParam().error;
    plan.pass_bytes = GetParam().pass_bytes;
    EXPECT_EQ(clip(dozovor::system_read, planned_write), -1);
    const std::string text = console.text();
    EXPECT_TRUE(text.ends_with("ERROR: Can't write output file " + out_path + "!\n")) << text;
    EXPECT_EQ(text.find("written"), std::string::npos);
    EXPECT_EQ(test::read_file(out_path), "");
}

INSTANTIATE_TEST_SUITE_P(Points, FailingWrite,
                         testing::Values(WriteFailure{"FirstWrite", 0, ENOSPC},
                                         WriteFailure{"SecondBuffer",
                                                      dozovor::STREAM_BUFFER_SIZE + 10, ENOSPC},
                                         WriteFailure{"LastFlush", 1700000, EFBIG}),
                         test::CaseName());

// Short transfers and interrupted calls are resumed: the result is byte for byte the same.
TEST_F(InjectedPass, ShortAndInterruptedTransfersAreResumed) {
    plan.chunk = 4099;
    plan.interrupt_every = 3;
    ASSERT_EQ(clip(planned_read, planned_write), 0);
    EXPECT_EQ(test::read_file(out_path), header + kept);
    EXPECT_TRUE(console.text().ends_with("40000 records written succesfully to " + out_path + "."));
}

}  // namespace
