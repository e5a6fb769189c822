# Olvar: `make` builds the optimised engine, `make run` starts it on the terminal,
# `make test` builds and runs every test (plain, ASan+UBSan, and the threading
# tests under TSan).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST ?= ctest

.PHONY: all engine run test test-release test-asan test-tsan bench fuzz clean

all: engine

engine:
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS) --target olvar pbrain-olvar bench selfplay

run: engine
	./build/olvar

test: test-release test-asan test-tsan

test-release:
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS)
	cd build && $(CTEST) --output-on-failure

test-asan:
	$(CMAKE) -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOLVAR_SANITIZE=address,undefined -DOLVAR_SELFPLAY_TURN=300
	$(CMAKE) --build build-asan -j $(JOBS)
	cd build-asan && $(CTEST) --output-on-failure

# Only the tests whose names say Threading: they drive the worker handshake of
# a TSan-built engine, where a data race makes the engine exit non-zero.
test-tsan:
	$(CMAKE) -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOLVAR_SANITIZE=thread -DOLVAR_TEST_FILTER='*Threading*'
	$(CMAKE) --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 exitcode=66" $(CTEST) --output-on-failure

bench:
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release -DOLVAR_BENCHMARKS=ON
	$(CMAKE) --build build -j $(JOBS)

clean:
	rm -rf build build-asan build-tsan build-fuzz

# Coverage-guided fuzzing (libFuzzer, clang) of the command loop and of the
# board, each for FUZZ_SECONDS; findings land in build-fuzz/.
FUZZ_SECONDS ?= 120
fuzz:
	$(CMAKE) -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOLVAR_SANITIZE=address,undefined -DOLVAR_FUZZ=ON -DOLVAR_TESTS=OFF
	$(CMAKE) --build build-fuzz -j $(JOBS) --target fuzz_commands fuzz_board
	mkdir -p build-fuzz/corpus/commands build-fuzz/corpus/board
	cd build-fuzz && ./fuzz_commands -max_total_time=$(FUZZ_SECONDS) -timeout=60 -rss_limit_mb=6144 -artifact_prefix=./ corpus/commands ../tests/fuzz/commands
	cd build-fuzz && ./fuzz_board -max_total_time=$(FUZZ_SECONDS) -timeout=60 -artifact_prefix=./ corpus/board ../tests/fuzz/board
