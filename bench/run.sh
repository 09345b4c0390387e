#!/usr/bin/env bash
# Measures dozovor on a 1 GB file with a warm page cache, side by side with cat and with a numpy
# clip, and prints medians and ratios. Needs hyperfine, python3-numpy and time (Debian packages).
#
#   bench/run.sh                  # 25 million records (about 1 GB), 10 runs each
#   BENCH_RECORDS=5000000 BENCH_RUNS=5 bench/run.sh
#
# The generated files stay in bench/data (ignored by git) and are reused.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
data=${BENCH_DATA:-$root/bench/data}
records=${BENCH_RECORDS:-25000000}
runs=${BENCH_RUNS:-10}

for tool in hyperfine /usr/bin/time /usr/bin/python3 script; do
    command -v "$tool" >/dev/null || {
        echo "bench: $tool is missing (apt-get install hyperfine python3-numpy time)" >&2
        exit 1
    }
done
/usr/bin/python3 -c 'import numpy' 2>/dev/null || {
    echo "bench: numpy is missing (apt-get install python3-numpy)" >&2
    exit 1
}

cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
tool=$root/build/release/dozovor
gen=$root/build/release/qvt_gen

mkdir -p "$data"
in=$data/bench-$records.qvt
big_header=$data/big-header.qvt
[ -f "$in" ] || "$gen" --records "$records" "$in"
[ -f "$big_header" ] || "$gen" --records 100000 --header-size 268435456 "$big_header"
out=$data/out.qvt
numpy_out=$data/out-numpy.qvt

# The sample's points fill x 500000..501000, y 5000000..5001000.
nothing="0 1 1 0"
third="500000 5001000 500333.33 5000000"
everything="0 1e9 1e9 0"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "Input: $in ($(stat -c %s "$in") bytes, $records records)"
cat "$in" >/dev/null
cat "$in" >/dev/null

# The numpy clip must write exactly what the tool writes.
for rect in "$nothing" "$third" "$everything"; do
    # shellcheck disable=SC2086
    "$tool" "$in" "$out" $rect >/dev/null
    # shellcheck disable=SC2086
    /usr/bin/python3 "$root/bench/clip_numpy.py" "$in" "$numpy_out" $rect
    cmp "$out" "$numpy_out" || { echo "bench: numpy output differs for $rect" >&2; exit 1; }
done
echo "numpy output equals the tool's for all three rectangles"

echo
echo "Peak resident memory (KiB):"
for rect in "$nothing" "$third" "$everything"; do
    # shellcheck disable=SC2086
    printf '  %-34s %s\n' "$rect" "$(/usr/bin/time -f %M "$tool" "$in" "$out" $rect 2>&1 >/dev/null)"
done
printf '  %-34s %s\n' "256 MiB header, keep everything" \
    "$(/usr/bin/time -f %M "$tool" "$big_header" "$out" $everything 2>&1 >/dev/null)"
printf '  %-34s %s\n' "cat" "$(/usr/bin/time -f %M cat "$in" 2>&1 >/dev/null)"

echo
json=$data/hyperfine.json
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$json" \
    -n "cat IN > /dev/null" "cat $in > /dev/null" \
    -n "keep nothing" "$tool $in $out $nothing > /dev/null" \
    -n "cat IN > OUT" "cat $in > $out" \
    -n "keep everything" "$tool $in $out $everything > /dev/null" \
    -n "keep a third" "$tool $in $out $third > /dev/null" \
    -n "keep a third, terminal" "script -qec '$tool $in $out $third' /dev/null > /dev/null" \
    -n "numpy: keep nothing" "/usr/bin/python3 $root/bench/clip_numpy.py $in $out $nothing" \
    -n "numpy: keep a third" "/usr/bin/python3 $root/bench/clip_numpy.py $in $out $third" \
    -n "numpy: keep everything" "/usr/bin/python3 $root/bench/clip_numpy.py $in $out $everything" \
    >/dev/null
/usr/bin/python3 "$root/bench/summarize.py" "$json"
rm -f "$out" "$numpy_out"
