#!/usr/bin/python3
"""The clip a user would otherwise write: numpy over chunks of a million records.

Usage: clip_numpy.py INFILE OUTFILE W N E S  (the same corners as dozovor)
Writes the header unchanged, then every record with W <= x <= E and S <= y <= N, in order.
"""
import struct
import sys

import numpy as np

RECORD = np.dtype([("value0", "V8"), ("x", "<f8"), ("y", "<f8"), ("rest", "V19")])
assert RECORD.itemsize == 43
CHUNK = 1_000_000


def main() -> int:
    infile, outfile = sys.argv[1], sys.argv[2]
    west, north, east, south = (float(v) for v in sys.argv[3:7])
    with open(infile, "rb") as src, open(outfile, "wb") as dst:
        prefix = src.read(8)
        header_size, major, minor = struct.unpack("<ihh", prefix)
        if (major, minor) != (2, 2) or header_size < 8:
            print("not a qvt 2.2 file", file=sys.stderr)
            return 1
        dst.write(prefix + src.read(header_size - 8))
        while True:
            block = src.read(CHUNK * RECORD.itemsize)
            whole = len(block) // RECORD.itemsize
            if whole == 0:
                break
            records = np.frombuffer(block, dtype=RECORD, count=whole)
            x, y = records["x"], records["y"]
            keep = (x >= west) & (x <= east) & (y <= north) & (y >= south)
            dst.write(records[keep].tobytes())
    return 0


if __name__ == "__main__":
    sys.exit(main())
