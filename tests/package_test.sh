#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: package_test.sh contents|lintian CPACK BUILD_DIR SOURCE_DIR VERSION HARDENED
#
# Builds the Debian package of the build with `cpack -G DEB` into a temporary
# directory, then
#   contents  checks that it installs exactly the program, its manual page,
#             the trace's JSON Schema and the documentation (README.md,
#             copyright, changelog.gz), that its
#             control data, copyright file and changelog are in order, and that
#             the packaged program runs; when HARDENED is 1, also that no file
#             of it holds the path of the source or the build tree;
#   lintian   runs `lintian --pedantic` on it: any error or warning fails.
#             Skipped when lintian is missing, or when HARDENED is not 1 (a
#             build without the hardening flags, such as Debug or a sanitizer
#             build, whose package lintian rightly finds unhardened).
# Exits 77 (skipped) without dpkg-deb.
set -eu
mode=$1
cpack=$2
build=$3
source=$4
version=$5
hardened=$6

# missing_tool MESSAGE: skips the test for want of a tool; under CI=true,
# where every tool must be there, fails it instead.
missing_tool() {
    echo "$1: skipped"
    [ "${CI:-}" != true ] || { echo "CI=true: a missing tool fails"; exit 1; }
    exit 77
}

if ! command -v dpkg-deb > /dev/null 2>&1; then
    missing_tool "dpkg-deb is not installed"
fi
if [ "$mode" = lintian ]; then
    if ! command -v lintian > /dev/null 2>&1; then
        missing_tool "lintian is not installed (apt-get install lintian)"
    fi
    if [ "$hardened" != 1 ]; then
        echo "this build does not use the hardening flags (a Debug or sanitizer build):"
        echo "skipped; lintian checks the package of a Release build"
        exit 77
    fi
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if ! (cd "$out" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out") \
    > "$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    echo "FAIL: cpack -G DEB did not succeed"
    exit 1
fi
set -- "$out"/qmsop_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "FAIL: expected one qmsop_*.deb in the output, found: $*"
    exit 1
fi
deb=$1

if [ "$mode" = lintian ]; then
    # lintian's own notes (such as running as root) go to standard error.
    report=$(lintian --pedantic "$deb" 2> "$out/lintian.err") || true
    printf '%s\n' "$report"
    if [ -s "$out/lintian.err" ]; then
        sed 's/^/lintian: /' "$out/lintian.err"
    fi
    if printf '%s\n' "$report" | grep -q '^[EW]:'; then
        echo "FAIL: lintian reports the errors or warnings above"
        exit 1
    fi
    echo "lintian --pedantic: no error and no warning"
    exit 0
fi

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort)
expected="./usr/bin/qmsop
./usr/share/doc/qmsop/README.md
./usr/share/doc/qmsop/changelog.gz
./usr/share/doc/qmsop/copyright
./usr/share/man/man1/qmsop.1.gz
./usr/share/qmsop/qmsop-trace.schema.json"
if [ "$files" != "$expected" ]; then
    echo "FAIL: package contents differ"
    echo "expected:"
    echo "$expected"
    echo "in the package:"
    echo "$files"
    exit 1
fi

status=0
fail() {
    echo "FAIL: $*"
    status=1
}
field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = qmsop ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
case $(field Depends) in
    *libc6*) ;;
    *) fail "Depends does not name libc6: '$(field Depends)'" ;;
esac
case $(field Maintainer) in
    "qmsop developers <"*">") ;;
    *) fail "Maintainer is '$(field Maintainer)'" ;;
esac

mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
doc=$out/root/usr/share/doc/qmsop

# The documentation: the README of the source tree, the licence in Debian's
# machine-readable format, and a changelog whose newest entry is this version.
cmp -s "$doc/README.md" "$source/README.md" || fail "usr/share/doc/qmsop/README.md is not README.md"
head -n 1 "$doc/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file does not start with the Format line"
grep -qx 'License: Expat' "$doc/copyright" || fail "the copyright file names no licence"
grep -q 'Permission is hereby granted' "$doc/copyright" ||
    fail "the copyright file lacks the licence text"
newest=$(gzip -dc "$doc/changelog.gz" | head -n 1)
[ "$newest" = "qmsop ($version) unstable; urgency=medium" ] ||
    fail "the newest changelog entry is '$newest'"

# The packaged program runs: the README's example.
result=$(echo 'f(a,b,c) = m(1,3,5,7) + d(0)' | "$out/root/usr/bin/qmsop" | tail -n 2)
[ "$result" = "f(a,b,c) = c" ] || fail "the packaged qmsop printed '$result'"

# A hardened build does not carry the paths of the machine that built it
# (__FILE__ and debug paths are mapped to paths in the source tree).
if [ "$hardened" = 1 ]; then
    for tree in "$source" "$build"; do
        if grep -r -l -F "$tree" "$out/root"; then
            fail "the files above hold the path $tree"
        fi
    done
fi
exit $status
