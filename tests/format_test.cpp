// The point record reader and the header copy, on files built in the test.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "format/qvt.hpp"
#include "io/stream.hpp"
#include "test_support.hpp"

namespace {

using dozovor::InputStream;
using dozovor::PointRecord;
using dozovor::RawPointRecord;

std::string bytes_of(const RawPointRecord& raw) {
    return {reinterpret_cast<const char*>(raw.data()), raw.size()};
}

class PointRecordTest : public testing::Test {
   protected:
    // Opens a file of `header` followed by `data` and moves past the header.
    void open(const std::string& header, const std::string& data) {
        test::write_file(dir / "in.qvt", header + data);
        ASSERT_EQ(dozovor::open_input(in, path.c_str()), 0);
        std::string skipped(header.size(), '\0');
        ASSERT_EQ(
            dozovor::read_bytes(in, reinterpret_cast<std::byte*>(skipped.data()), skipped.size()),
            header.size());
    }
    test::TempDir dir;
    std::string path = dir / "in.qvt";
    InputStream in;
    PointRecord point;
    RawPointRecord raw{};
};

TEST_F(PointRecordTest, UnpacksEveryFieldFromItsOffset) {
    std::string record(43, '\0');
    // x = 1.0 and y = -2.0, little-endian.
    record.replace(8, 8, std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8));
    record.replace(16, 8, std::string("\x00\x00\x00\x00\x00\x00\x00\xC0", 8));
    record.replace(0, 8, "ABCDEFGH");
    record.replace(24, 8, "IJKLMNOP");
    record.replace(32, 11, std::string("\x11\x22\x33\x44\x55\x66\x77\x01\x02\x88\x99", 11));
    open(test::make_header(8), record);

    ASSERT_EQ(dozovor::read_point_record(in, point, raw), 0);
    EXPECT_EQ(point.x, 1.0);
    EXPECT_EQ(point.y, -2.0);
    EXPECT_EQ(point.value0, 0x4847464544434241u);
    EXPECT_EQ(point.value3, 0x504F4E4D4C4B4A49u);
    EXPECT_EQ(point.word0, 0x2211);
    EXPECT_EQ(point.word1, 0x4433);
    EXPECT_EQ(point.byte0, 0x55);
    EXPECT_EQ(point.byte1, 0x66);
    EXPECT_EQ(point.byte2, 0x77);
    EXPECT_EQ(point.word2, 513);  // bytes 01 02 at the odd offset 39
    EXPECT_EQ(point.byte3, 0x88);
    EXPECT_EQ(point.byte4, 0x99);
    EXPECT_EQ(bytes_of(raw), record);
}

// Line ends and Ctrl-Z are data; a NaN, an infinity and a signalling-NaN pattern come through
// with their bits; each record starts exactly 43 bytes after the one before.
TEST_F(PointRecordTest, ReadsEveryBitPatternUnchanged) {
    const double nan = std::nan("");
    const double signalling = std::bit_cast<double>(0x7FF0000000000001ULL);
    std::vector<test::Record> records{
        test::make_record(nan, 3.0, 1),
        test::make_record(-INFINITY, nan, 2),
        test::make_record(-0.0, signalling, 3),
    };
    records[2].value0 = 0x7FF4000000000000ULL;
    records[2].value3 = 0xFFF0000000000001ULL;
    std::string data = test::qvt_file("", records);
    data.replace(0, 3, "\x0D\x0A\x1A");
    data.replace(43 + 39, 4, "\x1A\x0D\x0A\x0A");
    open(test::make_header(9, 2, 2, "\x0A"), data);

    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(dozovor::read_point_record(in, point, raw), 0) << i;
        const std::string stored = data.substr(43 * i, 43);
        EXPECT_EQ(bytes_of(raw), stored) << i;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(point.x), std::bit_cast<std::uint64_t>(records[i].x))
            << i;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(point.y), std::bit_cast<std::uint64_t>(records[i].y))
            << i;
        EXPECT_FALSE(in.eof);
    }
    EXPECT_EQ(point.value0, 0x7FF4000000000000ULL);
    EXPECT_EQ(point.value3, 0xFFF0000000000001ULL);
}

// The end-of-file flag is set by the call that finds nothing, never by the one that takes the
// last record; a call that reads nothing changes neither buffer.
TEST_F(PointRecordTest, EndOfDataComesOneCallAfterTheLastRecord) {
    const std::string data = test::qvt_file(
        "", {test::make_record(1, 2, 1), test::make_record(3, 4, 2), test::make_record(5, 6, 3)});
    open(test::make_header(1000, 2, 2, "header body"), data);
    for (int call = 0; call < 3; ++call) {
        ASSERT_EQ(dozovor::read_point_record(in, point, raw), 0);
        EXPECT_FALSE(in.eof);
    }
    EXPECT_EQ(dozovor::read_point_record(in, point, raw), -1);
    EXPECT_TRUE(in.eof);
    EXPECT_FALSE(in.error);
    EXPECT_EQ(point.x, 5.0);
    EXPECT_EQ(bytes_of(raw), data.substr(86));
}

TEST_F(PointRecordTest, HeaderAloneHasNoRecord) {
    open(test::make_header(512), "");
    EXPECT_EQ(dozovor::read_point_record(in, point, raw), -1);
    EXPECT_TRUE(in.eof);
}

// 1 to 42 bytes after the last record are not a record.
TEST_F(PointRecordTest, TrailingPartialRecordEndsTheData) {
    open(test::make_header(8), test::record_bytes(test::make_record(1, 2)) + std::string(42, 'x'));
    ASSERT_EQ(dozovor::read_point_record(in, point, raw), 0);
    EXPECT_EQ(dozovor::read_point_record(in, point, raw), -1);
    EXPECT_TRUE(in.eof);
    EXPECT_EQ(point.x, 1.0);
}

// Records that straddle the stream's buffer boundary arrive whole.
TEST_F(PointRecordTest, RecordsAcrossBufferRefills) {
    const std::size_t count = dozovor::STREAM_BUFFER_SIZE / 43 * 3 + 7;
    std::vector<test::Record> records;
    for (std::size_t i = 0; i < count; ++i) {
        records.push_back(test::make_record(static_cast<double>(i), -static_cast<double>(i), i));
    }
    const std::string data = test::qvt_file("", records);
    open(test::make_header(13), data);
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(dozovor::read_point_record(in, point, raw), 0);
        ASSERT_EQ(point.x, static_cast<double>(i));
        ASSERT_EQ(bytes_of(raw), data.substr(43 * i, 43));
    }
    EXPECT_EQ(dozovor::read_point_record(in, point, raw), -1);
    EXPECT_TRUE(in.eof);
}

}  // namespace

namespace {

// A header larger than every buffer on the way is copied exactly, and the input then stands at
// the first record.
TEST(CopyHeader, CopiesALargeHeaderThroughBoundedBuffers) {
    test::TempDir dir;
    std::string body;
    for (int i = 0; body.size() < 3 * 1024 * 1024; ++i) {
        body += std::to_string(i) + "\r\n\x1A";
    }
    const std::string header =
        test::make_header(static_cast<std::int32_t>(8 + body.size()), 2, 2, body);
    const std::string record = test::record_bytes(test::make_record(7, 8));
    test::write_file(dir / "in.qvt", header + record);

    InputStream in;
    const std::string in_path = dir / "in.qvt";
    const std::string out_path = dir / "out.qvt";
    ASSERT_EQ(dozovor::open_input(in, in_path.c_str()), 0);
    dozovor::OutputStream out;
    ASSERT_EQ(dozovor::open_output(out, out_path.c_str()), 0);
    test::CapturedConsole console;
    dozovor::FileHeader file_header;
    ASSERT_EQ(dozovor::copy_header(in, out, file_header, console.console), 0);
    EXPECT_EQ(file_header.header_size, static_cast<std::int32_t>(header.size()));
    EXPECT_EQ(file_header.version_major, 2);
    EXPECT_EQ(file_header.version_minor, 2);
    ASSERT_EQ(dozovor::close_output(out), 0);
    EXPECT_EQ(test::read_file(out_path), header);
    EXPECT_EQ(console.text(), "");

    PointRecord point;
    RawPointRecord raw{};
    ASSERT_EQ(dozovor::read_point_record(in, point, raw), 0);
    EXPECT_EQ(point.x, 7.0);
    EXPECT_FALSE(in.eof);
}

}  // namespace
