#!/usr/bin/env bash
# Static checks: formatting, clang-tidy and cppcheck over the tool's and the tools' sources.
# Needs clang-format, clang-tidy-14 (or clang-tidy) and cppcheck. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

# clang-tidy reads the compile commands of the clang preset (configured here, not built).
cmake --preset clang >/dev/null
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
"$tidy" -p build/clang --quiet src/*.cpp src/*/*.cpp tools/*.cpp

cppcheck --enable=warning,performance,portability --std=c++20 --error-exitcode=1 --inline-suppr \
    --quiet -I src src tools
echo "lint: clean"
