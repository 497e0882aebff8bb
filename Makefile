# Zintari: `make play` to play, `make test` to run every test.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all setup configure build play test unit e2e bench fuzz soak clean

all: build

setup:
	@scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: setup $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

play: build
	./$(BUILD)/game/zintari

test: build
	ctest --test-dir $(BUILD) --output-on-failure

unit: build
	ctest --test-dir $(BUILD) --output-on-failure -L unit

e2e: build
	ctest --test-dir $(BUILD) --output-on-failure -L e2e

bench: build
	cmake --build $(BUILD) --target benchmarks
	./$(BUILD)/benchmarks

soak: build
	./$(BUILD)/soak $(BUILD)/game --games 210 --seed 1 --table

clean:
	rm -rf $(BUILD)
