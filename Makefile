# Thin front for CMake; works with GNU make and BSD make.

BUILD_DIR ?= build
CMAKE ?= cmake
CMAKE_FLAGS ?=
JOBS ?= 2

.PHONY: all build run test clean

all: build

build:
	$(CMAKE) -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)
	$(CMAKE) --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	./$(BUILD_DIR)/qelmar -a tcpip examples/history

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

clean:
	rm -rf $(BUILD_DIR)
