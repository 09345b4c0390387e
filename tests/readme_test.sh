#!/usr/bin/env bash
# Runs the console examples of the README (the blocks between <!-- NAME:begin --> and
# <!-- NAME:end -->) in a temporary folder with the built tools first on PATH, and compares what
# they print with the lines that follow each "$ " command. Output is compared as a terminal shows
# it: of a line rewritten with carriage returns only the last part remains (every later part is
# at least as long as the one before), and output that ends without a line feed ends the line.
#   readme_test.sh README BUILD_DIR
set -euo pipefail
readme=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH="$build:$PATH"

run_block() {
    local name=$1 expected="" actual="" line command=""
    local block
    block=$(sed -n "/<!-- $name:begin -->/,/<!-- $name:end -->/p" "$readme" | grep -v '^<!--' |
        grep -v '^```')
    [ -n "$block" ] || { echo "README has no block $name"; exit 1; }
    while IFS= read -r line; do
        if [[ $line == '$ '* ]]; then
            command=${line#\$ }
            expected+="$line"$'\n'
            actual+="$line"$'\n'
            local out
            # A command that fails adds a line that the README cannot show.
            out=$(cd "$work" && { bash -c "$command" </dev/null || echo "[exit status $?]"; }
                printf x)
            out=${out%x}
            if [ -n "$out" ]; then
                [[ $out == *$'\n' ]] || out+=$'\n'
                actual+=$(printf '%s' "$out" | sed 's/.*\r//')$'\n'
            fi
        else
            expected+="$line"$'\n'
        fi
    done <<<"$block"
    if [ "$expected" != "$actual" ]; then
        echo "README block $name differs from what its commands print:"
        diff <(printf '%s' "$expected") <(printf '%s' "$actual") || true
        exit 1
    fi
}

run_block example
run_block parallel
cmp "$work/clipped.qvt" "$work/clipped/sample.qvt"
echo "readme: the examples print what the README shows"
