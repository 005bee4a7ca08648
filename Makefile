# Everything a newcomer needs: `make play` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DBRASTOR_WERROR=ON
endif

.PHONY: all deps build play play-build tools tools-build test asan tsan bench fuzz install package web web-serve web-test clean mutate mutate-generated \
	windows windows-test windows-unit windows-window

all: build

deps:
	@./scripts/deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Only the game and its baked data: a player does not wait for the tests to
# compile. It runs from the folder make was started in, so "h" saves
# screen.bmp there; the game finds its data beside the program.
play-build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target brastor

play:
	@./scripts/deps.sh play
	@$(MAKE) --no-print-directory play-build
	$(abspath $(BUILD))/brastor

# The level author's tools and the baked data they read, without the tests:
# brastor-mapcheck, brastor-playtest, brastor-headless and brastor-bake.
tools-build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target brastor-mapcheck brastor-playtest brastor-headless brastor-bake brastor_data

tools:
	@./scripts/deps.sh tools
	@$(MAKE) --no-print-directory tools-build

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DBRASTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

$(TSAN_BUILD)/build.ninja:
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DBRASTOR_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

# The tests that run the game beside the window's thread, under ThreadSanitizer:
# the key queue, the window tests (the game's and the level tester's) and the
# window stress and pad test. Any report
# fails; tests/tsan.supp silences only the X and GL libraries.
tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target brastor brastor_tests brastor-window-driver \
	  brastor-playtest brastor-headless brastor-mapcheck
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure --no-tests=error -j $(JOBS) -R '^(Platform\.(KeyFlags|TypedKeys)|script\.window_)'

# One table: the busy frame against SDL2 and the memory floor, level size, start-up.
BENCH_BUILD ?= build-bench
$(BENCH_BUILD)/build.ninja:
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DBRASTOR_BENCH=ON -DCMAKE_BUILD_TYPE=Release -DBRASTOR_TESTS=OFF
bench: deps $(BENCH_BUILD)/build.ninja
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target brastor-bench brastor_data
	$(BENCH_BUILD)/bench/brastor-bench

# Each libFuzzer target for FUZZ_SECONDS (clang, ASan + UBSan); fails on any crash.
FUZZ_SECONDS ?= 60
fuzz:
	@./scripts/deps.sh clang libclang-rt-14-dev
	fuzz/run.sh $(FUZZ_SECONDS)

# The game as a web page in build-web/site/ (Debian's emscripten, installed if
# missing), and a local server for it. The data is baked by $(BUILD) when it is
# configured, else by a data-only build inside build-web/.
WEB_NATIVE = $(if $(wildcard $(BUILD)/build.ninja),$(BUILD))
web:
	@./scripts/deps.sh web
	./web/build.sh $(WEB_NATIVE)

web-serve: web
	./web/serve.sh $(or $(PORT),8000)

# The browser test: Chromium driven by playwright-core against the served page.
web-test:
	tests/web/run.sh $(WEB_NATIVE)

# Windows: brastor.exe and the tools cross-compiled with mingw-w64 (installed
# if missing), statically linked, packed into
# $(WINDOWS_BUILD)/brastor-windows-VERSION.zip. The data baker and the icon
# maker of the native $(BUILD) run on this machine for it.
WINDOWS_BUILD ?= build-windows
$(WINDOWS_BUILD)/build.ninja:
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DBRASTOR_HOST_TOOLS=$(abspath $(BUILD)) $(CMAKE_FLAGS)
windows:
	@./scripts/deps.sh windows
	$(MAKE) $(BUILD)/build.ninja $(WINDOWS_BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target brastor-bake brastor-icon
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target all brastor_tests windows_zip

# The Windows unit tests and the level author's tools from the zip under Wine
# (against the native tools), then the Windows program under Wine on a private
# X server.
windows-unit: windows
	@./scripts/deps.sh windows-test
	tests/windows/wine_unit.sh $(WINDOWS_BUILD)
	cmake --build $(BUILD) -j $(JOBS) --target brastor-headless brastor-mapcheck brastor_data
	tests/windows/wine_tools.sh $(WINDOWS_BUILD) $(BUILD)
windows-window: windows
	@./scripts/deps.sh windows-test
	cmake --build $(BUILD) -j $(JOBS) --target brastor-headless brastor_data
	tests/windows/wine_window.sh $(WINDOWS_BUILD) $(BUILD)
windows-test: windows-unit windows-window

PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in build/package/.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(WINDOWS_BUILD)

# Mutation run: each fault of tools/mutate/mutants.py applied in turn, the fast
# tests run against it; prints killed or survived per fault.
mutate: build
	tools/mutate/mutate.py --build $(BUILD)

# Generated faults (tools/mutate/generate.py's operators over src/ and
# tools/mapcheck/): a sample of MUTATE_COUNT drawn with MUTATE_SEED, one TSV row
# per fault in MUTATE_OUT and the score by folder; MUTATE_RERUN=FILE.tsv runs
# that run's survivors again instead.
MUTATE_COUNT ?= 300
MUTATE_SEED ?= 1
MUTATE_OUT ?= $(BUILD)/mutants-generated.tsv
mutate-generated: build
	tools/mutate/mutate.py --generated --build $(BUILD) --count $(MUTATE_COUNT) --seed $(MUTATE_SEED) \
	  --out $(MUTATE_OUT) $(if $(MUTATE_RERUN),--rerun $(MUTATE_RERUN))
