# make run   installs what is missing, builds, starts Kelvaro
# make test  installs what is missing, builds, runs every test
#            (SANITIZE=1: with AddressSanitizer and UBSan, in build-sanitize/)
# make package  builds the Debian package: $(BUILD_DIR)/kelvaro_<version>_<arch>.deb
# make bench builds and runs the benchmarks
# make screenshots  pictures of the settings window for the README (docs/screenshots/)
# make fuzz  builds the fuzz targets with clang and libFuzzer (build-fuzz/) and runs each
#            (FUZZ_SECONDS each, default 60; FUZZ_RUNS executions each; FUZZ_TARGETS to pick some)
ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-sanitize
CMAKE_OPTIONS += -DKELVARO_SANITIZE=ON
endif
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_CXX ?= clang++-14

.PHONY: all deps configure build run test package bench fuzz screenshots clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_OPTIONS)

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# On a desktop Kelvaro runs in the session, in the foreground; without a display (no DISPLAY, no
# WAYLAND_DISPLAY) scripts/run-demo shows it at work on a private virtual desktop.
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target kelvaro
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then exec $(BUILD_DIR)/bin/kelvaro; \
	else exec scripts/run-demo --program $(BUILD_DIR)/bin/kelvaro; fi

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

package: build
	cd $(BUILD_DIR) && cpack

# Benchmarks (never part of make test): figures on screen and in bench/results/latest.json.
# Builds the floor switcher with the benchmarks; the switch figures are latencies of a few tenths
# of a millisecond, so run it on a quiet machine (a 1-minute load under 0.5).
bench: build
	@cmake --build $(BUILD_DIR) --target kelvaro_bench
	$(BUILD_DIR)/bin/kelvaro_bench --kelvaro $(BUILD_DIR)/bin/kelvaro --output bench/results/latest.json

fuzz: deps
	@test -f $(FUZZ_BUILD_DIR)/CMakeCache.txt || \
		cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DKELVARO_FUZZ=ON
	@cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target kelvaro_fuzz_targets
	@FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_RUNS=$(FUZZ_RUNS) scripts/run-fuzz $(FUZZ_BUILD_DIR) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD_DIR)

# Pictures of the settings window for the README, taken under the test's own Xvfb.
screenshots: build
	KELVARO_SCREENSHOTS=$(CURDIR)/docs/screenshots $(BUILD_DIR)/bin/tst_settings_ui SettingsWindowTest screenshots
	KELVARO_SCREENSHOTS=$(CURDIR)/docs/screenshots $(BUILD_DIR)/bin/tst_settings_ui ExtrasSettingsTest screenshots
	KELVARO_SCREENSHOTS=$(CURDIR)/docs/screenshots $(BUILD_DIR)/bin/tst_settings_ui GeneralSettingsTest screenshots
