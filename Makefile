# Thin front for CMake; works with GNU make and BSD make.

BUILD_DIR ?= build
RELEASE_DIR ?= build-release
CMAKE ?= cmake
CMAKE_FLAGS ?=
JOBS ?= 2
PREFIX ?= /usr/local
DESTDIR ?=
RUNS ?= 7
FUZZ_SECONDS ?= 60

.PHONY: all configure build tool run test release install uninstall bench fuzz clean

all: build

configure:
	$(CMAKE) -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

# The tool and, where GoogleTest is installed, the tests.
build: configure
	$(CMAKE) --build $(BUILD_DIR) --parallel $(JOBS)

# The tool alone.
tool: configure
	$(CMAKE) --build $(BUILD_DIR) --parallel $(JOBS) --target qelmar

run: tool
	$(BUILD_DIR)/qelmar -a tcpip examples/history

test:
	$(CMAKE) -S . -B $(BUILD_DIR) -DQELMAR_TESTS=ON $(CMAKE_FLAGS)
	@if [ -f $(BUILD_DIR)/tests-need-googletest ]; then \
	    cat $(BUILD_DIR)/tests-need-googletest >&2; exit 1; fi
	$(CMAKE) --build $(BUILD_DIR) --parallel $(JOBS)
	cd $(BUILD_DIR) && ctest --output-on-failure --no-tests=error

# The optimised build that make bench measures, in its own tree.
release:
	$(CMAKE) -S . -B $(RELEASE_DIR) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DQELMAR_TESTS=OFF
	$(CMAKE) --build $(RELEASE_DIR) --parallel $(JOBS) --target qelmar

# bin/qelmar, stripped, and share/man/man1/qelmar.1 under $(DESTDIR)$(PREFIX);
# the paths written go to $(RELEASE_DIR)/installed-files.
install: release
	DESTDIR="$(DESTDIR)" $(CMAKE) --install $(RELEASE_DIR) --prefix "$(PREFIX)" --strip
	@while IFS= read -r f || [ -n "$$f" ]; do printf '%s%s\n' "$(DESTDIR)" "$$f"; \
	    done < $(RELEASE_DIR)/install_manifest.txt >> $(RELEASE_DIR)/installed-files

# Removes the files that make install put in place.
uninstall:
	@if [ ! -f $(RELEASE_DIR)/installed-files ]; then \
	    echo "Nothing to uninstall: no $(RELEASE_DIR)/installed-files." >&2; exit 1; fi
	@while IFS= read -r f; do echo "removing $$f"; rm -f "$$f"; done < $(RELEASE_DIR)/installed-files
	@rm -f $(RELEASE_DIR)/installed-files

# The release build, generated inputs, timings against wc -l; see README.md.
bench:
	$(CMAKE) -S . -B $(RELEASE_DIR) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DQELMAR_TESTS=OFF -DQELMAR_BENCH=ON
	$(CMAKE) --build $(RELEASE_DIR) --parallel $(JOBS)
	./$(RELEASE_DIR)/bench/qelmar_bench ./$(RELEASE_DIR)/qelmar ./$(RELEASE_DIR)/bench/qelmar_gen \
	    $(RELEASE_DIR)/data bench/golden-checksum $(RUNS)

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
	rm -rf $(BUILD_DIR) $(RELEASE_DIR) build-fuzz
