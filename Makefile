# Two entry points: `make run` and `make test`. Both install what the build
# needs (Debian/Ubuntu, through apt-get), configure and build first.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := cmake ninja-build g++ make qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
            fonts-dejavu-core desktop-file-utils appstream dpkg-dev file

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
NPROC := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test clean bench fuzz package install screenshot

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

# --- installing ------------------------------------------------------------
package: build
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
