# Everyday commands. Each one installs the Debian packages it needs where they are missing,
# then configures and builds what it needs with the CMake presets. `make help` lists them.

PRESET ?= default
JOBS ?= $(shell nproc)
# Options for the demo itself: make run ARGS="--scale 2"
ARGS ?=

# cmake --build runs make again: no "Entering directory" lines from it.
MAKEFLAGS += --no-print-directory

.PHONY: help all deps run-deps build run test check fuzz memcheck bench video capture-bench package \
        package-test windows windows-test arm64 arm64-test package-arm64 web web-single web-serve \
        web-test web-bench release release-test format clean

help: ## this list
	@echo "Quen/XDL: make TARGET, with TARGET one of"
	@awk -F':.*## ' '/^[a-z0-9-]+:.*## / {printf "  %-14s %s\n", $$1, $$2}' $(MAKEFILE_LIST)

all: help

deps:
	@scripts/install-deps.sh

run-deps:
	@scripts/install-deps.sh --run

build: deps ## build everything: the demo, the capture tool, tests and benchmarks
	@cmake --preset $(PRESET) -DQUEN_DEMO_ONLY=OFF >/dev/null
	@cmake --build --preset $(PRESET) -j $(JOBS)

# A fresh clone gets a build folder for the demo alone; one that `make build` or `make test`
# set up is used as it is, and only the demo is brought up to date.
run: run-deps ## build the demo alone and play the show (ARGS="--scale 2"; Escape ends it)
	@[ -f build/CMakeCache.txt ] || cmake --preset default -DQUEN_DEMO_ONLY=ON >/dev/null
	@cmake --build build --target quen -j $(JOBS)
	cd assets && ../build/quen $(ARGS)

test: build ## build everything and run the whole test suite through CTest
	@ctest --preset $(PRESET) -j $(JOBS) --progress

check: deps ## the test suite under AddressSanitizer and UndefinedBehaviorSanitizer
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS) --progress

fuzz: deps ## libFuzzer runs of the JPEG loader and the music stream (FUZZ_SECONDS each, 60)
	@scripts/fuzz-smoke.sh $(or $(FUZZ_SECONDS),60)

memcheck: build ## valgrind's memcheck over the headless lifecycle
	@scripts/valgrind-lifecycle.sh build

bench: build ## frame costs of every segment of the show
	build/bench/quen-bench

# The capture tool alone: none of the tests and benchmarks the build folder may also hold.
video: deps ## quen.mp4: the whole show with its soundtrack, rendered headless and checked
	@cmake --preset $(PRESET) -DQUEN_DEMO_ONLY=OFF >/dev/null
	@cmake --build --preset $(PRESET) --target quen-capture -j $(JOBS)
	cd assets && ../build/quen-capture --video ../quen.mp4

capture-bench: deps ## captures of fixed length of every kind: frames/s and CPU of the tool and ffmpeg
	@cmake --preset $(PRESET) -DQUEN_DEMO_ONLY=OFF >/dev/null
	@cmake --build --preset $(PRESET) --target quen-capture-bench -j $(JOBS)
	build/bench/quen-capture-bench --benchmark_filter='Capture|AtPng'

# The package holds the demo, the capture tool and the compressed man pages and changelog: only
# those are built, not the tests and benchmarks.
package: deps ## the Debian package build/quen_<version>_amd64.deb
	@cmake --preset $(PRESET) -DQUEN_DEMO_ONLY=OFF >/dev/null
	@cmake --build --preset $(PRESET) -j $(JOBS) --target quen quen-capture quen-dist-files
	@cd build && cpack -G DEB

package-test: build ## the Debian package installed, used and removed (root or sudo)
	@JOBS=$(JOBS) tests/package/package_test.sh build

windows: ## build-windows/quen.exe, cross-built with mingw-w64
	@JOBS=$(JOBS) scripts/windows-ci.sh --build-only

windows-test: build ## the Windows build's tests under Wine, compared with the Linux build
	@JOBS=$(JOBS) scripts/windows-ci.sh

arm64: ## build-arm64/: the demo and the capture tool for 64-bit ARM Linux, cross-built
	@JOBS=$(JOBS) scripts/arm64-ci.sh --build-only

arm64-test: ## the arm64 build's frames and programs under emulation, against this machine's build
	@JOBS=$(JOBS) scripts/arm64-ci.sh

package-arm64: ## the Debian package build-arm64/quen_<version>_arm64.deb, checked by lintian
	@JOBS=$(JOBS) scripts/arm64-ci.sh --package

# build-web/site holds index.html, quen.js, quen.wasm and the six files the show reads; publish
# that folder on any static web server. Built with Debian's emscripten, pictures decoded by
# libjpeg-turbo built for wasm from Debian's source.
web: ## the show as a web page in build-web/site
	@JOBS=$(JOBS) scripts/build-libjpeg-turbo.sh wasm build-web/libjpeg-turbo
	@cmake --preset web >/dev/null
	@cmake --build --preset web -j $(JOBS)

# One self-contained HTML file (the page, the program and the six files inline) that plays when
# opened from disk, with no server.
web-single: web ## build-web/quen.html: the show as one file that plays from disk
	@node tools/web/site.mjs single build-web/site build-web/quen.html

web-serve: web ## the page on http://127.0.0.1:8800/ (PORT=... for another); Ctrl-C stops it
	@node tools/web/serve.mjs build-web/site $(or $(PORT),8800)

# Every frame against the Linux build's in the SIMD and the portable program, phones and large
# screens, the start card, the end card, load failures, offline visits, the single file.
web-test: build web web-single ## the page in headless Chromium, compared with the Linux build
	@scripts/web-test.sh

web-bench: build web ## the page's weight, start and frame costs in Chromium against the Linux build's
	@scripts/install-web-deps.sh
	node bench/web/web_bench.mjs build-web/site build/bench/quen-bench

# build-release/: the Windows zip, the web site as a zip, the single-file page, the .deb and
# SHA256SUMS, each named with the version, from the builds the three targets above keep.
release: package windows web-single ## build-release/: the files to hand out, with SHA256SUMS
	@scripts/install-deps.sh zip
	@scripts/release.sh

release-test: release ## the release's sums and zips, and the Windows zip played under Wine
	@scripts/install-deps.sh wine wine64 xvfb xauth xdotool x11-utils imagemagick unzip
	@tests/release/release_test.sh build-release build build-windows build-web

format: ## clang-format every C++ file in place
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

clean: ## remove every build folder
	rm -rf build build-debug build-asan build-windows build-arm64 build-fuzz build-package build-web \
	  build-mutants build-release
