#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR
#
# Installs the build into a temporary prefix with `cmake --install`, checks
# that exactly the program, its manual page, the documentation and the
# trace's JSON Schema were installed (in the default GNU directories: bin,
# share/man, share/doc/qmsop, share/qmsop), and runs the installed program on
# the example sessions of README.md.
set -eu
cmake=$1
build=$2
source=$3

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" > "$prefix.log" 2>&1 || {
    cat "$prefix.log"
    rm -f "$prefix.log"
    echo "FAIL: cmake --install did not succeed"
    exit 1
}
rm -f "$prefix.log"

installed=$(cd "$prefix" && find . -type f | sort)
expected="./bin/qmsop
./share/doc/qmsop/README.md
./share/doc/qmsop/changelog.gz
./share/doc/qmsop/copyright
./share/man/man1/qmsop.1.gz
./share/qmsop/qmsop-trace.schema.json"
if [ "$installed" != "$expected" ]; then
    echo "FAIL: installed files differ"
    echo "expected:"
    echo "$expected"
    echo "installed:"
    echo "$installed"
    exit 1
fi
if [ ! -x "$prefix/bin/qmsop" ]; then
    echo "FAIL: $prefix/bin/qmsop is not executable"
    exit 1
fi
# The installed page is the page of the source tree.
if ! gzip -dc "$prefix/share/man/man1/qmsop.1.gz" | cmp -s - "$source/man/qmsop.1"; then
    echo "FAIL: the installed manual page is not man/qmsop.1"
    exit 1
fi

sh "$source/tests/doc_examples_test.sh" "$prefix/bin/qmsop" "$source/README.md"
