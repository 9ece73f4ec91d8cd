# The two commands a new developer needs:
#   make run    installs what is missing, builds and starts Ferolind
#   make test   installs what is missing, builds and runs every test
#   make fuzz   fuzzes the parsers of untrusted input (Clang, libFuzzer) for FUZZ_SECONDS each
#   make package builds the Debian package (CPack) and checks it (lintian, desktop-file-validate)
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
FUZZ_PARALLEL ?= 2
FUZZ_TARGETS = fuzz-filter fuzz-rowsetxml fuzz-values fuzz-banklookup fuzz-feeperiod fuzz-dtaus fuzz-dtausline fuzz-certificates fuzz-rtf fuzz-delimited fuzz-xlsx fuzz-ods fuzz-settingsfile fuzz-iban fuzz-backupdescription fuzz-camt fuzz-mt940 fuzz-xls fuzz-mdb fuzz-sqlitemdb

.PHONY: all deps configure build run test bench fuzz clang package clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/app/ferolind

# The tests run in the locale of a German desktop, so that a number written through the
# C library's formatting with a decimal comma shows.
test: build
	cd $(BUILD) && LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DFEROLIND_TESTS=OFF -DFEROLIND_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS)
	./$(BUILD)-bench/bench/ferolind-bench
	./$(BUILD)-bench/bench/ferolind-scale-bench

# Only our code is instrumented: Qt comes from Debian's packages without sanitizers.
fuzz: deps
	@bash scripts/install-fuzz-deps.sh
	cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DFEROLIND_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	bash tests/fuzz/run.sh $(BUILD)-fuzz $(FUZZ_SECONDS) $(FUZZ_PARALLEL)

# The whole tree with Clang, to keep it building with both compilers.
clang: deps
	@bash scripts/install-fuzz-deps.sh
	cmake -S . -B $(BUILD)-clang -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(BUILD)-clang -j $(JOBS)

# The package is made from a Release build of its own, without tests.
package: deps
	@bash scripts/install-package-deps.sh
	cmake -S . -B $(BUILD)-package -DCMAKE_BUILD_TYPE=Release -DFEROLIND_TESTS=OFF
	cmake --build $(BUILD)-package -j $(JOBS)
	cd $(BUILD)-package && cpack
	bash scripts/check-package.sh $(BUILD)-package

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz $(BUILD)-clang $(BUILD)-package
