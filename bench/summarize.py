#!/usr/bin/python3
"""Prints the medians of a hyperfine JSON export and the ratios the benchmark is judged by."""
import json
import statistics
import sys


def main() -> int:
    results = json.load(open(sys.argv[1]))["results"]
    medians = {r["command"]: statistics.median(r["times"]) for r in results}
    print(f"{'command':44} {'median':>9}")
    for name, median in medians.items():
        print(f"{name:44} {median * 1000:7.0f} ms")

    print()
    print(f"{'ratio':58} {'value':>6} {'target':>7}")
    ratios = [
        ("keep nothing / cat IN > /dev/null", "keep nothing", "cat IN > /dev/null", 1.5),
        ("keep everything / cat IN > OUT", "keep everything", "cat IN > OUT", 1.3),
        ("keep a third / cat IN > OUT", "keep a third", "cat IN > OUT", 1.0),
        ("keep a third on a terminal / keep a third", "keep a third, terminal", "keep a third",
         1.2),
        ("numpy keeping nothing / keep nothing", "numpy: keep nothing", "keep nothing", None),
        ("numpy keeping a third / keep a third", "numpy: keep a third", "keep a third", None),
        ("numpy keeping everything / keep everything", "numpy: keep everything",
         "keep everything", None),
    ]
    for label, top, bottom, target in ratios:
        if top in medians and bottom in medians:
            value = medians[top] / medians[bottom]
            mark = "" if target is None else f"{'<=' if value <= target else '> '}{target:.1f}"
            print(f"{label:58} {value:6.2f} {mark:>7}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
