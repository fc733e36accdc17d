# Everything a fresh Debian 12 machine needs: `make run` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build test bench bench-mapcut run install deb screenshots asan-test fuzz format clean

all: build

deps:
	scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Writes the figures table of bench/README.md from this run.
bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/tarvo-bench --figures=bench/README.md

# mapcut side by side with vips dzsave and gdalwarp on 16384^2 and 10000^2 inputs.
bench-mapcut: build
	bench/mapcut-bench $(BUILD)

# Only what the demo runs: the viewer, the gate and its library, sim-modem and
# tarvo-msg; tests and benchmarks are left to `make test` and `make bench`.
RUN_TARGETS = tarvo smsgate smsgate-daemon sim-modem tarvo-msg

run: deps configure
	cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	scripts/run-demo $(BUILD)

# The README's screenshots, on Xvfb with real key events.
screenshots: build
	scripts/install-deps --screenshots
	scripts/screenshots $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package with its dependencies computed: apt install ./tarvo_*.deb
deb: build
	cd $(BUILD) && cpack -G DEB
	mv $(BUILD)/tarvo_*.deb .

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON -DTARVO_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS)

# libFuzzer targets for the parsers, each run for FUZZ_SECONDS.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_FUZZ=ON \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/run-all $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
