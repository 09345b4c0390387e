#!/usr/bin/env bash
# Static checks: formatting, clang-tidy and cppcheck over the tool's and the tools' sources.
# Needs clang-format, clang-tidy-14 (or clang-tidy) and cppcheck. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

# clang-tidy reads the compile commands of the clang preset (configured here, not built).
cmake --preset clang >/dev/null
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
# platform_windows.cpp needs the Windows headers; the MinGW-w64 build checks it with -Werror.
"$tidy" -p build/clang --quiet $(git ls-files 'src/*.cpp' 'tools/*.cpp' | grep -v platform_windows)

cppcheck --enable=warning,performance,portability --std=c++20 --error-exitcode=1 --inline-suppr \
    --quiet -I src src tools
echo "lint: clean"
