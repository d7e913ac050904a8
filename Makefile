# Numlyra: `make run` and `make test` do everything on a fresh Debian 12 machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60

# Debian packages the build and the tests need.
PACKAGES = cmake make g++ ninja-build pkg-config flex bison \
           qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core \
           libqt6svg6 adwaita-icon-theme python3-markdown desktop-file-utils
FUZZ_PACKAGES = clang libclang-rt-14-dev
# The peers of `make bench`; their matrix work runs on the optimised BLAS
# they are normally installed with.
BENCH_PACKAGES = lua5.4 octave python3-numpy libopenblas0 time

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
missing = $(shell for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done)

.PHONY: deps build test test-asan run bench fuzz clean install

deps:
	@todo="$(call missing,$(PACKAGES))"; \
	if [ -n "$$todo" ]; then \
	  echo "Installing: $$todo"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$todo; \
	fi

# A compiler cache, where the machine has one, makes rebuilds of other
# checkouts cheap; the build does not need it.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	[ -f $(ASAN_BUILD)/build.ninja ] || cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNUMLYRA_SANITIZE=ON $(LAUNCHER)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# `make install DESTDIR=/tmp/stage PREFIX=/usr` stages a package tree.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

run: build
	@if [ -x $(BUILD)/bin/numlyra ]; then $(BUILD)/bin/numlyra; else $(BUILD)/bin/numlyra-cli; fi

bench: build
	@todo="$(call missing,$(BENCH_PACKAGES))"; \
	if [ -n "$$todo" ]; then $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$todo; fi
	bench/run_benchmarks.sh $(BUILD)

fuzz: deps
	@todo="$(call missing,$(FUZZ_PACKAGES))"; \
	if [ -n "$$todo" ]; then $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$todo; fi
	[ -f $(FUZZ_BUILD)/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUMLYRA_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	tests/fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
