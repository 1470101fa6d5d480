# The targets behind ./build.sh. `make run` and `make test` install what is missing first,
# then build with the CMake preset into build/.
PRESET ?= default
BIN := build/bin

.PHONY: all deps build run test test-debug check-windows check-media format-check bench faults fuzz install uninstall package \
	lint-package screenshot clean

all: build

deps:
	@scripts/install-deps.sh

build/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset $(PRESET)

build: deps build/build.ninja
	cmake --build --preset $(PRESET)

run: build
	$(BIN)/morsela-win

test: build
	ctest --preset $(PRESET)

# The engine and command tests under AddressSanitizer and UBSan (the 4.5 GiB test and the
# window, whose tests run in the default build, left out), warnings as errors.
test-debug: deps
	cmake --preset debug && cmake --build --preset debug && ctest --preset debug

# The rejoin scripts under Wine's cmd, and splits on exFAT and FAT through FUSE (as root).
check-windows: build
	@scripts/install-deps.sh windows
	ctest --preset $(PRESET) -L windows

check-media: build
	@scripts/install-deps.sh media
	ctest --preset $(PRESET) -L media

# Fails when a tracked source is not laid out as .clang-format says.
format-check:
	@scripts/install-deps.sh ci
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

bench: build
	@scripts/install-deps.sh bench
	$(BIN)/split_bench

# Every fault case, bad size text and bad script, with a tally of what was tried and passed.
faults: build
	$(BIN)/fault_tests

# Runs each fuzz target for FUZZ_SECONDS (clang and libFuzzer are installed first).
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps.sh fuzz
	cmake --preset fuzz && cmake --build --preset fuzz
	mkdir -p build-fuzz/corpus/size_text build-fuzz/corpus/rejoin_script build-fuzz/corpus/checksum_line \
		build-fuzz/corpus/recovery_file
	build-fuzz/bin/size_text_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=256 build-fuzz/corpus/size_text
	build-fuzz/bin/rejoin_script_fuzz -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/rejoin_script
	build-fuzz/bin/checksum_line_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=512 build-fuzz/corpus/checksum_line
	build-fuzz/bin/recovery_file_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=65536 build-fuzz/corpus/recovery_file

# Installs the programs, the desktop entry, the icons and the manual page under PREFIX.
PREFIX ?= /usr/local
install: build
	cmake --install build --prefix $(PREFIX)

uninstall:
	@test -f build/install_manifest.txt || { echo "Nothing was installed from this build."; exit 1; }
	xargs -d '\n' rm -fv < build/install_manifest.txt
	@share=$$(sed -n 's|/mime/packages/morsela.xml$$||p' build/install_manifest.txt); \
	if [ -n "$$share" ]; then \
	    ! command -v update-mime-database >/dev/null || update-mime-database "$$share/mime"; \
	    ! command -v update-desktop-database >/dev/null || \
	        update-desktop-database "$$share/applications"; \
	fi

package: build
	@scripts/install-deps.sh package
	cd build && cpack

# The package as Debian's checker sees it; any error or warning fails.
lint-package: package
	lintian --fail-on error,warning build/morsela_*_amd64.deb

# Retakes the screenshots in doc/ from the built window under Xvfb: after a split, at a
# scale factor of 2, the join window at 1 and 2, and the drive list with a stick mounted
# after start (as root).
screenshot: build
	scripts/screenshot.sh $(BIN)/morsela-win doc/screenshot.png
	scripts/screenshot.sh $(BIN)/morsela-win doc/screenshot-scale-2.png scale2
	scripts/screenshot.sh $(BIN)/morsela-win doc/screenshot-join.png join
	scripts/screenshot.sh $(BIN)/morsela-win doc/screenshot-join-scale-2.png join-scale2
	@if [ "$$(id -u)" = 0 ]; then \
	    scripts/screenshot.sh $(BIN)/morsela-win doc/screenshot-drives.png stick; \
	else echo "doc/screenshot-drives.png needs root to mount a stick; left as it is"; fi

clean:
	rm -rf build build-debug
