# The two commands a new developer needs:
#   make run    installs what is missing, builds and starts Ferolind
#   make test   installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

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

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DFEROLIND_TESTS=OFF -DFEROLIND_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS)
	./$(BUILD)-bench/bench/ferolind-bench

clean:
	rm -rf $(BUILD) $(BUILD)-bench
