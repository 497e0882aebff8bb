# Zintari: `make play` to play, `make test` to run every test.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all setup setup-play configure configure-play build play package repro test unit e2e replays bench fuzz fuzz-build soak clean

all: build

# The Debian packages: those building and playing take (setup-play), or
# those and what the tests, the benchmarks, the fuzzing build and the
# package take besides (setup).
setup-play:
	@scripts/setup.sh play
setup:
	@scripts/setup.sh test

# Configured after the packages are in, even under make -j, and again each
# time (a second or two): GoogleTest installed since the last time brings the
# unit tests in.
CONFIGURE = cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
configure-play: setup-play
	$(CONFIGURE)
configure: setup
	$(CONFIGURE)

build: configure
	cmake --build $(BUILD)

# The game and its data alone: no unit tests, sanitizer builds or benchmarks.
play: configure-play
	cmake --build $(BUILD) --target zintari
	./$(BUILD)/game/zintari

# The Debian package, $(BUILD)/zintari_1.0.0-1_amd64.deb: the game and its
# data only, not the tests.
package: configure
	cmake --build $(BUILD) --target deb

# Two packages from clean builds at different paths, compared byte for byte.
repro: setup
	scripts/repro.sh

# The clang build of the libFuzzer targets.
FUZZ_TARGETS = fuzz_Levels fuzz_Preferences fuzz_Scores fuzz_Help fuzz_Codec fuzz_Keys fuzz_Replay
fuzz-build: build
	@[ -f $(BUILD)/fuzz/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B $(BUILD)/fuzz -G Ninja \
	  -DZINTARI_FUZZ=ON -DZINTARI_SANITIZERS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DZINTARI_CONTENT_FROM=$(abspath $(BUILD))
	cmake --build $(BUILD)/fuzz --target $(FUZZ_TARGETS)

test: build fuzz-build
	ctest --test-dir $(BUILD) --output-on-failure

unit: build
	ctest --test-dir $(BUILD) --output-on-failure -L unit

e2e: build
	ctest --test-dir $(BUILD) --output-on-failure -L e2e

# The corpus of replays in tests/replays recorded again by this build (the
# same bytes on the same build), then checked.
replays: build
	SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ./$(BUILD)/record_replays $(BUILD)/game tests/replays
	cmake --build $(BUILD)
	ctest --test-dir $(BUILD) --output-on-failure -L replays

# BENCH_BEFORE=<another build's zintari> (say, of the main branch) is
# measured beside this one, in the same run.
bench: build
	cmake --build $(BUILD) --target benchmarks pacing replay_bench
	./$(BUILD)/benchmarks
	./$(BUILD)/replay_bench $(BUILD)/game
	SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ./$(BUILD)/pacing $(BUILD)/game
	python3 bench/cpu_per_screen.py $(BUILD)/game/zintari $(BUILD) $(if $(BENCH_BEFORE),--before $(BENCH_BEFORE))

fuzz: fuzz-build
	tests/fuzz/run.sh $(BUILD)/fuzz $${FUZZ_SECONDS:-120}

# The level curve: 20 games of every level on each of the seeds 1 to 3 (60 a
# level), at Easy, Medium and Hard, from an optimised build without the
# sanitizers in $(BUILD)-rel.
soak: setup
	@[ -f $(BUILD)-rel/build.ninja ] || cmake -S . -B $(BUILD)-rel -G Ninja \
	  -DCMAKE_BUILD_TYPE=Release -DZINTARI_SANITIZERS=OFF
	cmake --build $(BUILD)-rel -j2 --target level_curve
	for d in 1 2 3; do ./$(BUILD)-rel/level_curve $(BUILD)-rel/game --games 20 --seed 1 --seeds 3 --difficulty $$d || exit 1; done

clean:
	rm -rf $(BUILD) $(BUILD)-rel
