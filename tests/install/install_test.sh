#!/usr/bin/env bash
# Installs into a temporary prefix, then builds and runs the example hosts
# out of tree against it: once with CMake's package, once with pkg-config;
# then the Python example with the installed package.
set -euo pipefail
build=$1
src=$2
python=${3:-python3}
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

# The installed Python package finds the installed libraries and host by
# itself: PYTHONPATH names only its folder.
init=$(find "$tmp/prefix" -path '*/keltrane/__init__.py')
out=$(env -u KELTRANE_LIBDIR PYTHONPATH="$(dirname "$(dirname "$init")")" PYTHONDONTWRITEBYTECODE=1 \
  "$python" "$src/examples/python_host.py" "$tmp/site/Bin")
for line in "account 42 at index 0" "error 6 from Keltrane.clsProfile: Overflow" "XML date 2008-03-05T14:07:09" \
  "panel name 40: TV-2000 EU" "company of revision 300: 1"; do
  grep -qx "$line" <<< "$out"
done

# Under /usr (the Debian package) and /usr/local the package lands where
# Debian's python3 looks for modules.
for prefix in /usr /usr/local; do
  DESTDIR="$tmp/stage" cmake --install "$build" --prefix "$prefix" > /dev/null
  init=$(cd "$tmp/stage" && find ".$prefix/lib" -path '*/keltrane/__init__.py')
  "$python" -c 'import sys; sys.exit(sys.argv[1] not in sys.path)' "$(dirname "$(dirname "${init#.}")")"
done
echo "installed layout works"
