# Front door: `make demo` and `make test` do all the set-up on a fresh Debian machine.
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS ?= 2
RELEASE_BUILD ?= build-release
WINDOWS_BUILD ?= build-windows
# Our own builds turn warnings into errors; a plain cmake build does not.
CMAKE_FLAGS ?=
override CMAKE_FLAGS += -DKELTRANE_WERROR=ON

.PHONY: all deps build demo test test-asan test-tsan test-release windows test-windows bench fuzz-build fuzz fuzz-ci mutants format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The database tests run on SQLite and again (prefix "pg.") on a throwaway
# PostgreSQL cluster that lives for the length of the run.
test: build
	scripts/with-postgres.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELTRANE_SANITIZE=ON $(CMAKE_FLAGS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  scripts/with-postgres.sh ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# ThreadSanitizer: only the COM face's tests (and the components they load)
# are built, and only the test of concurrent callers runs; any race report
# fails it.
$(TSAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELTRANE_TSAN=ON $(CMAKE_FLAGS)

test-tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target com_tests
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 $(TSAN_OPTIONS)" \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -R '^Threads\.'

# A packager's build: Release with the compiler's own optimisation flags and
# without -Werror, the libraries, host and stand-ins only.
test-release: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELTRANE_TESTS=OFF -DKELTRANE_WERROR=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
	$(RELEASE_BUILD)/bin/keltrane call Keltrane.clsProfile SetMaxRecord 5

# Windows x86-64, cross-built with mingw-w64: the library, Keltrane.dll (see
# the top-level CMakeLists.txt) and the C host, c_host_test.exe; the DLL
# checked for its exports and imports.
$(WINDOWS_BUILD)/build.ninja: | deps
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS)

windows: deps $(WINDOWS_BUILD)/build.ninja
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	scripts/check-windows-dll.sh $(WINDOWS_BUILD)/bin/Keltrane.dll

# Keltrane.dll run under Wine, headless, in a throwaway prefix: regsvr32 and
# its keys, the C host through CoCreateInstance, regsvr32 /u.
test-windows: windows build
	scripts/test-windows.sh $(WINDOWS_BUILD) $(BUILD)

# Benchmarks: a separate Release build, each binary run from inside that dir,
# with a throwaway PostgreSQL server for the database benchmarks.
$(BENCH_BUILD)/build.ninja: | deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELTRANE_BENCH=ON -DKELTRANE_TESTS=OFF \
	  "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" $(CMAKE_FLAGS)

# Each Google Benchmark binary also writes bin/NAME.json; db_bench then runs
# again under strace for the system calls per member call (SYSCALL_CALLS
# calls each), and bench-table.md gets the members against their targets.
SYSCALL_CALLS ?= 200

bench: deps $(BENCH_BUILD)/build.ninja
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	cd $(BENCH_BUILD) && ../scripts/with-postgres.sh sh -c \
	  'for b in bin/*_bench; do echo "== $$b"; ./$$b --benchmark_out=$$b.json --benchmark_out_format=json $(BENCH_ARGS) || exit 1; done'
	cd $(BENCH_BUILD) && ../scripts/syscalls-per-call.py $(SYSCALL_CALLS) bin/db_bench > syscalls.json
	cd $(BENCH_BUILD) && ../scripts/bench-table.py bin/db_bench.json syscalls.json | tee bench-table.md

# Fuzzers: a separate clang build, every library instrumented for libFuzzer
# with ASan + UBSan; only the fuzz targets (and what they load) are built.
FUZZ_SAN = -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

$(FUZZ_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKELTRANE_FUZZ=ON -DKELTRANE_TESTS=OFF "-DCMAKE_C_FLAGS=$(FUZZ_SAN)" "-DCMAKE_CXX_FLAGS=$(FUZZ_SAN)" $(CMAKE_FLAGS)

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: fuzz-build
	fuzz/run.sh 60 $(FUZZ_BUILD)

fuzz-ci: fuzz-build
	fuzz/run.sh 15 $(FUZZ_BUILD)

# Mutation check (not in CI): plants one fault at a time in src/, platform/,
# suite/ and tools/keltrane/, rebuilds in build-mutants/ and runs the test
# binaries of that folder; per-folder kill rates, build-mutants/mutants.json.
# MUTANTS_ARGS="--count 30 --seed 1 --folder src/config --resume".
mutants: deps
	scripts/mutants.py $(MUTANTS_ARGS)

demo: build
	scripts/demo.sh $(BUILD)

format:
	git ls-files '*.cc' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD) $(WINDOWS_BUILD)
