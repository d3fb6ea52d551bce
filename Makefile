# make run   installs what is missing, builds, starts Kelvaro
# make test  installs what is missing, builds, runs every test
# make bench builds and runs the benchmarks
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/kelvaro

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Benchmarks (never part of make test): figures on screen and in bench/results/latest.json.
bench: build
	@cmake --build $(BUILD_DIR) --target kelvaro_bench
	$(BUILD_DIR)/bin/kelvaro_bench --kelvaro $(BUILD_DIR)/bin/kelvaro --output bench/results/latest.json

clean:
	rm -rf $(BUILD_DIR)
