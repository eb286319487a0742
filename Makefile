# Thin front for CMake; works with GNU make and BSD make.

BUILD_DIR ?= build
CMAKE ?= cmake
CMAKE_FLAGS ?=
JOBS ?= 2
PREFIX ?= /usr/local
DESTDIR ?=
RUNS ?= 7
FUZZ_SECONDS ?= 60

.PHONY: all build run test install bench fuzz clean

all: build

build:
	$(CMAKE) -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)
	$(CMAKE) --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	$(BUILD_DIR)/qelmar -a tcpip examples/history

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

# bin/qelmar and share/man/man1/qelmar.1 under $(DESTDIR)$(PREFIX).
install: build
	DESTDIR="$(DESTDIR)" $(CMAKE) --install $(BUILD_DIR) --prefix "$(PREFIX)"

# Release build, generated inputs, timings against wc -l; see README.md.
bench:
	$(CMAKE) -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQELMAR_TESTS=OFF -DQELMAR_BENCH=ON
	$(CMAKE) --build build-bench --parallel $(JOBS)
	./build-bench/bench/qelmar_bench ./build-bench/qelmar ./build-bench/bench/qelmar_gen \
	    build-bench/data bench/golden-checksum $(RUNS)

# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer (Clang).
# New inputs collect in build-fuzz/corpus; a crash input lands in
# build-fuzz/ and belongs in tests/fuzz/regressions once fixed.
fuzz:
	$(CMAKE) -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQELMAR_TESTS=OFF -DQELMAR_FUZZ=ON
	$(CMAKE) --build build-fuzz --parallel $(JOBS)
	mkdir -p build-fuzz/corpus
	./build-fuzz/fuzz_history -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/ build-fuzz/corpus tests/fuzz/corpus

clean:
	rm -rf $(BUILD_DIR) build-bench build-fuzz
