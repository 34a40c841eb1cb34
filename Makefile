# Convenience targets for people; CMake and CTest do the work.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 30
CMAKE_GEN  := -G Ninja
STAMP      := $(BUILD)/.deps-installed

.PHONY: all deps build run demo check check-asan check-format format fuzz screenshots bench install \
        package clean

all: build

$(STAMP):
	./scripts/install-deps
	mkdir -p $(BUILD) && touch $(STAMP)

deps: $(STAMP)

$(BUILD)/build.ninja: $(STAMP)
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/tarvik

demo: build
	./scripts/demo $(BUILD)

# Under CI (CI=true) the check also runs the whole suite again under the sanitizers, and each
# fuzz target for FUZZ_SECONDS.
check: build check-format
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@if [ "$(CI)" = "true" ]; then $(MAKE) check-asan && $(MAKE) fuzz; fi

# The C++ sources in the repository's own style (.clang-format), with Debian 12's clang-format.
CLANG_FORMAT ?= clang-format-14
FORMAT_FILES  = $(shell git ls-files '*.cpp' '*.h')

format: $(STAMP)
	$(CLANG_FORMAT) -i $(FORMAT_FILES)

check-format: $(STAMP)
	@$(CLANG_FORMAT) --dry-run -Werror $(FORMAT_FILES) || \
	    { echo "check-format: run 'make format' to restyle the files named above"; exit 1; }

$(ASAN_BUILD)/build.ninja: $(STAMP)
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTARVIK_SANITIZE=ON \
	    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache

check-asan: $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS)

# The file readers under libFuzzer (clang-14, ASan + UBSan), each for FUZZ_SECONDS.
fuzz: $(STAMP)
	FUZZ_BUILD=$(CURDIR)/build-fuzz ./scripts/fuzz $(FUZZ_SECONDS)

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/tarvik-screenshots $(BUILD)/screenshots

bench: build
	./scripts/bench $(BUILD)

# Installs under PREFIX (default /usr/local), asking for sudo when that folder is not yours.
install: build
	@if [ -w "$(PREFIX)" ] || [ "$$(id -u)" -eq 0 ]; then \
	    cmake --install $(BUILD) --prefix "$(PREFIX)"; \
	else \
	    sudo cmake --install $(BUILD) --prefix "$(PREFIX)"; \
	fi

# The Debian package build/tarvik_<version>_<arch>.deb (install it with sudo apt install ./...).
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
