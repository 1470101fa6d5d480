# The two commands a newcomer needs: `make run` and `make test`. Both install what is
# missing first, then build with the CMake preset into build/.
PRESET ?= default
BIN := build/bin

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

build/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset $(PRESET)

build: deps build/build.ninja
	cmake --build --preset $(PRESET)

run: build
	@if [ -x $(BIN)/morsela-win ]; then $(BIN)/morsela-win; \
	else echo "The window is not built yet; the command line is $(BIN)/morsela."; fi

test: build
	ctest --preset $(PRESET)

bench: build
	$(BIN)/split_bench

clean:
	rm -rf build build-debug
