# Two entry points: `make run` and `make test`. Both install what the build
# needs (Debian/Ubuntu, through apt-get), configure and build first.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := cmake ninja-build g++ make qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
            fonts-dejavu-core desktop-file-utils appstream dpkg-dev file man-db

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
NPROC := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test check clean bench fuzz package install screenshot

all: build

# Installs whichever of $(PACKAGES) are missing; targets add their own.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing build dependencies:" $$missing; \
	    $(SUDO) apt-get update && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j $(NPROC)

run: build
	$(BUILD_DIR)/app/quorel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(NPROC)

# --- checks ------------------------------------------------------------------
# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the editor itself under a headless Wayland compositor, lintian on the .deb
# that `make package` builds (any error or warning fails), clang-tidy on our
# code and clang-format on every source file.
SANITIZER_OPTIONS := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
SANITIZER_ENV := QT_QPA_PLATFORM=offscreen $(SANITIZER_OPTIONS)
OUR_SOURCES = $(shell git ls-files '*.cpp' '*.h')

# The Wayland check starts the sanitized editor this target has just built,
# not build/'s, so that the sanitizers watch our code on its Wayland paths too.
# lintian checks the package a person installs: `make package`'s, from build/.
check: PACKAGES += clang-tidy clang-format weston qt6-wayland imagemagick python3 lintian
check: deps package
	cmake -S . -B build-check -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUOREL_SANITIZE=ON
	$(SANITIZER_ENV) cmake --build build-check -j $(NPROC)
	cd build-check && $(SANITIZER_ENV) ctest --output-on-failure -j $(NPROC)
	$(SANITIZER_OPTIONS) packaging/tests/check-wayland.sh build-check/app/quorel build-check/wayland
	lintian --fail-on error,warning $(BUILD_DIR)/quorel_*.deb
	run-clang-tidy-14 -p build-check -quiet -j $(NPROC) '$(CURDIR)/(runtime|text|textview|host|docfile|editor|search|app)/.*\.cpp$$'
	clang-format --dry-run -Werror $(OUR_SOURCES)

# --- installing ------------------------------------------------------------
# Only this version's .deb stays, for lintian in `make check`.
package: build
	rm -f $(BUILD_DIR)/quorel_*.deb
	cd $(BUILD_DIR) && cpack -G DEB
	@ls -1 $(BUILD_DIR)/quorel_*.deb

install: build
	$(SUDO) cmake --install $(BUILD_DIR)

screenshot: PACKAGES += xvfb xauth xdotool x11-utils imagemagick openbox
screenshot: build
	packaging/screenshot $(BUILD_DIR)/app/quorel docs

# --- benchmark -------------------------------------------------------------
bench: PACKAGES += libbenchmark-dev
bench: deps
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOREL_BENCH=ON
	cmake --build build-release -j $(NPROC) --target quorel_bench
	QT_QPA_PLATFORM=offscreen build-release/bench/quorel_bench

# --- fuzzing ---------------------------------------------------------------
FUZZ_SECONDS ?= 60
fuzz: PACKAGES += clang libclang-rt-14-dev
fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOREL_FUZZ=ON
	cmake --build build-fuzz -j $(NPROC) --target quorel_fuzzers
	fuzz/run-all build-fuzz/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) build-release build-fuzz build-check
