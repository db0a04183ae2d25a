# The two set-up commands of the README, and the build steps behind them.
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: deps build run test test-asan test-tsan fuzz bench bench-article bench-download screenshots format \
	clean install

deps:
	@./scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build build -j $(JOBS)

run: build
	@./scripts/run-tarvik build/tarvik

test: build
	@ctest --test-dir build --output-on-failure

test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		ctest --test-dir build-asan --output-on-failure

test-tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@ctest --test-dir build-tsan --output-on-failure

FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@mkdir -p build-fuzz/corpus build-fuzz/modern-corpus build-fuzz/image-corpus
	@build-fuzz/fuzz/harvest_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		build-fuzz/corpus fuzz/seeds
	@build-fuzz/fuzz/modern_harvest_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-max_len=65536 build-fuzz/modern-corpus fuzz/modern-seeds
	@build-fuzz/fuzz/image_header_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-max_len=65536 build-fuzz/image-corpus fuzz/image-seeds

bench: build
	@build/bench/harvest_bench
	@build/bench/monitor_bench
	@build/bench/cookie_bench
	@QT_QPA_PLATFORM=offscreen build/bench/file_list_bench

# How well the main content is found on the development sets of real pages beside the
# repository: articles, then pages of every kind.
bench-article: build
	@python3 ../shared/article-benchmark/measure.py build/tarvik-cli
	@python3 ../shared/article-benchmark/measure.py build/tarvik-cli --set ../shared/modern-web-benchmark

bench-download: build
	@./scripts/bench-download build/tarvik-cli

# The programs, the desktop entry (which offers Tarvik for web addresses) and the icon, under
# ~/.local unless PREFIX says otherwise.
PREFIX ?= $(HOME)/.local
install: build
	@cmake --install build --prefix "$(PREFIX)"
	@command -v update-desktop-database >/dev/null && \
		update-desktop-database "$(PREFIX)/share/applications" 2>/dev/null || true

# The window offscreen on sample pages: every view in build/screenshots, the README's in docs/.
screenshots: build
	@cmake --build build --target screenshots
	@QT_QPA_PLATFORM=offscreen:configfile=$(CURDIR)/tests/app/desktop-screen.json \
		build/docs/screenshots/screenshots build/screenshots
	@cp $(addprefix build/screenshots/,main-window.png options-dialog.png \
		modern-file-list.png file-grid.png maximised-window.png) docs/

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf build build-asan build-tsan build-fuzz
