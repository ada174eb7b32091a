# Parlotte: `make run` starts the program on the demo voice pack, `make test` runs the tests.
# Both install what is missing (Debian packages) and build first.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
TSAN_BUILD ?= build-tsan
# The tests whose threads meet in the engine: run under ThreadSanitizer by `make tsan`. The
# tests start encoders (fork) from a process with threads, which TSan allows when told so.
# Tests whose threads meet through Qt's own thread pool and queued events stay out: Qt is not
# built for TSan, so its locks are invisible to it and every hand-over reads as a race.
TSAN_TESTS ?= test_engine test_streaming
JOBS ?= $(shell nproc)
# ccache, where installed, shares compiled objects between builds and work trees.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all deps build run test sanitize tsan fuzz bench screenshot format demo clean install package

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@bash scripts/make-demo-pack.sh $(BUILD)/demo-pack
	@bash scripts/point-at-demo.sh $(BUILD)

run: demo
	cd $(BUILD) && ./parlotte

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DPARLOTTE_SANITIZE=ON

sanitize: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPARLOTTE_FUZZ=ON

# Each fuzz target for FUZZ_SECONDS, starting from the seeds in fuzz/seeds.
fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

$(TSAN_BUILD)/build.ninja:
	cmake -S . -B $(TSAN_BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLOTTE_TSAN=ON

tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS)
	cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0" \
		ctest --output-on-failure -j $(JOBS) -R '^($(subst $(eval) ,|,$(TSAN_TESTS)))$$'

bench: demo
	@bash scripts/run-benchmarks.sh $(BUILD)

screenshot: demo
	@bash scripts/screenshot.sh $(BUILD) docs/screenshot.png

# Installs into PREFIX (DESTDIR is honoured); `make package` builds build/parlotte_*.deb.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
