# Thin front for CMake; works with GNU make and BSD make.

BUILD_DIR ?= build
CMAKE ?= cmake
CMAKE_FLAGS ?=
JOBS ?= 2
RUNS ?= 7

.PHONY: all build run test bench clean

all: build

build:
	$(CMAKE) -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)
	$(CMAKE) --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	./$(BUILD_DIR)/qelmar -a tcpip examples/history

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

# Release build, generated inputs, timings against wc -l; see README.md.
bench:
	$(CMAKE) -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQELMAR_TESTS=OFF -DQELMAR_BENCH=ON
	$(CMAKE) --build build-bench --parallel $(JOBS)
	./build-bench/bench/qelmar_bench ./build-bench/qelmar ./build-bench/bench/qelmar_gen \
	    build-bench/data bench/golden-checksum $(RUNS)

clean:
	rm -rf $(BUILD_DIR) build-bench
