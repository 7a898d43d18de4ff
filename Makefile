# A thin front over CMake. `make run` and `make test` install what is missing, build, and then
# start the Pelmora window or run the whole test suite.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	./.ci/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/pelmora

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 600

bench: build
	for b in $(BUILD)/generator_bench $(BUILD)/drawing_bench; do [ -x $$b ] && $$b; done

clean:
	rm -rf $(BUILD)
