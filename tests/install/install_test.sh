#!/usr/bin/env bash
# Installs into a temporary prefix, then builds and runs the example hosts
# out of tree against it: once with CMake's package, once with pkg-config.
set -euo pipefail
build=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix" > /dev/null
export KELTRANE_REGISTRY=$tmp/registry.json

cmake -S "$src/examples" -B "$tmp/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$tmp/prefix" > /dev/null
cmake --build "$tmp/cmake" > /dev/null
"$tmp/cmake/c_host"
"$tmp/cmake/cpp_host"

libdir=$(dirname "$(find "$tmp/prefix" -name keltrane.pc)")
export PKG_CONFIG_PATH=$libdir
cc -std=c11 "$src/examples/c_host/main.c" $(pkg-config --cflags --libs keltrane) -o "$tmp/c_host_pc"
"$tmp/c_host_pc"
c++ -std=c++20 "$src/examples/cpp_host/main.cc" $(pkg-config --cflags --libs keltrane) -o "$tmp/cpp_host_pc"
"$tmp/cpp_host_pc"

# The installed host finds its library and the suite's components.
# (Output is captured first: grep -q closing the pipe early would fail the writer.)
out=$(KELTRANE="$tmp/prefix/bin/keltrane" "$src/examples/batch.sh")
grep -q '"result":42' <<< "$out"
"$tmp/prefix/bin/keltrane" --module-dir "$tmp/site/Bin" init --demo > /dev/null
out=$("$tmp/prefix/bin/keltrane" --module-dir "$tmp/site/Bin" call Keltrane.clsCommon GetCompanyIdFromPTRID 300)
grep -q '"result":1' <<< "$out"
echo "installed layout works"
