#!/usr/bin/env bash
# Installs the build with cmake --install and as a Debian package, then runs the installed tool
# on a sample and lints the installed manual page.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# cmake --install: the tool and its manual page, and nothing else.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort) >"$work/installed"
printf '%s\n' ./bin/dozovor ./share/man/man1/dozovor.1 | diff - "$work/installed"
grep -q "dozovor $version" "$work/prefix/share/man/man1/dozovor.1"

# The Debian package: its name, metadata and contents.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$work/package/dozovor_${version}_amd64.deb
test -f "$deb"
[ "$(dpkg-deb -f "$deb" Package)" = dozovor ]
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ]
[ "$(dpkg-deb -f "$deb" Section)" = science ]
dpkg-deb -f "$deb" Depends | grep -q 'libc6'
dpkg-deb -f "$deb" Depends | grep -q 'libstdc++6'
dpkg-deb -x "$deb" "$work/root"
(cd "$work/root" && find . -type f | sort) >"$work/packaged"
printf '%s\n' ./usr/bin/dozovor ./usr/share/man/man1/dozovor.1 | diff - "$work/packaged"

# The installed binaries clip a sample as the built one does.
"$build/qvt_gen" --records 30000 "$work/sample.qvt"
"$build/dozovor" "$work/sample.qvt" "$work/built.qvt" 500100 5000900 500600 5000200 >"$work/built.txt"
for tool in "$work/prefix/bin/dozovor" "$work/root/usr/bin/dozovor"; do
    "$tool" "$work/sample.qvt" "$work/installed.qvt" 500100 5000900 500600 5000200 >"$work/out.txt"
    cmp "$work/built.qvt" "$work/installed.qvt"
    sed "s|installed.qvt|built.qvt|" "$work/out.txt" | cmp - "$work/built.txt"
done

# The manual page: no lint finding at all, and it renders.
if command -v mandoc >/dev/null; then
    mandoc -Tlint -W style "$work/root/usr/share/man/man1/dozovor.1"
else
    echo "mandoc is missing: linting with groff instead"
fi
groff -ww -man -t -z "$work/root/usr/share/man/man1/dozovor.1" 2>"$work/groff.txt"
[ ! -s "$work/groff.txt" ] || { cat "$work/groff.txt"; exit 1; }
echo "package: installed and packaged tool work; manual page is clean"
