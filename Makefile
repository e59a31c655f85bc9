# Everyday commands. Each one installs what is missing (Debian packages), then configures and
# builds what it needs with the CMake presets.

PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: all deps build run test check fuzz memcheck bench video package package-test windows windows-test \
        web web-serve web-test format clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

# The demo, full show, with the project's own pictures and music. Escape ends it.
run: build
	cd assets && ../build/quen

# The whole test suite through CTest.
test: build
	ctest --preset $(PRESET) -j $(JOBS)

# The whole test suite again under AddressSanitizer, UndefinedBehaviorSanitizer and the
# graphics device's convention checks.
check: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# libFuzzer runs of the JPEG loader and the music stream (FUZZ_SECONDS each, default 60).
fuzz: deps
	scripts/fuzz-smoke.sh $(or $(FUZZ_SECONDS),60)

# valgrind's memcheck over the headless lifecycle.
memcheck: build
	scripts/valgrind-lifecycle.sh build

# Frame costs of every segment of the show.
bench: build
	build/bench/quen-bench

# A video of the show with its soundtrack, for people without a display.
video: build
	cd assets && ../build/quen-capture --video ../quen.mp4

# The Debian package build/quen_<version>_amd64.deb, made with CPack.
package: build
	cd build && cpack -G DEB

# The Debian package installed with apt-get, used as a user would, then removed (root or sudo).
package-test: build
	JOBS=$(JOBS) tests/package/package_test.sh build

# The Windows executable build-windows/quen.exe, cross-built with mingw-w64.
windows:
	JOBS=$(JOBS) scripts/windows-ci.sh --build-only

# The Windows build's tests under Wine and Xvfb, compared with the Linux build.
windows-test: build
	JOBS=$(JOBS) scripts/windows-ci.sh

# The show as a web page: build-web/site holds index.html, quen.js, quen.wasm and the six files
# the show reads; publish that folder on any static web server. Built with Debian's emscripten,
# pictures decoded by libjpeg-turbo built for wasm from Debian's source.
web:
	JOBS=$(JOBS) scripts/build-libjpeg-turbo.sh wasm build-web/libjpeg-turbo
	cmake --preset web >/dev/null
	cmake --build --preset web -j $(JOBS)

# The page on http://127.0.0.1:8800/ (PORT=... for another port). Ctrl-C stops it.
web-serve: web
	node tools/web/serve.mjs build-web/site $(or $(PORT),8800)

# The page in headless Chromium: every frame against the Linux build's, the music, the start
# card, Escape, no errors; then its weight, first-frame time and drawing times.
web-test: build web
	scripts/web-test.sh

format:
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

clean:
	rm -rf build build-debug build-asan build-windows build-fuzz build-package build-web
