# Olvar: `make` builds the optimised engine, `make run` starts it on the terminal,
# `make web` starts the local web board, `make test` builds and runs every test
# (plain, ASan+UBSan, and the threading tests under TSan), `make pgo` builds a
# profile-guided engine.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST ?= ctest

.PHONY: all engine run web test test-release test-asan test-tsan bench fuzz clean windows test-windows dist native pgo

all: engine

engine:
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS) --target olvar pbrain-olvar bench selfplay olvar-web

run: engine
	./build/olvar

# The web board on http://WEB_ADDRESS:WEB_PORT/ (it prints the address);
# Ctrl-C stops it. Another address than a loopback one opens the board, and
# the engine's processor time, to everyone who can reach this machine.
WEB_ADDRESS ?= 127.0.0.1
WEB_PORT ?= 8080
web: engine
	@test -x build/olvar-web || { echo "make web needs cpp-httplib (Debian: libcpp-httplib-dev, pkgconf)"; exit 1; }
	./build/olvar-web --address $(WEB_ADDRESS) --port $(WEB_PORT)

test: test-release test-asan test-tsan

test-release:
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS)
	cd build && $(CTEST) --output-on-failure

test-asan:
	$(CMAKE) -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOLVAR_SANITIZE=address,undefined -DOLVAR_SELFPLAY_TURN=300 -DOLVAR_SELFPLAY_TOLERANCE=300
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
	rm -rf build build-asan build-tsan build-fuzz build-win build-dist build-native build-pgo

# Coverage-guided fuzzing (libFuzzer, clang) of the command loop and of the
# board, each for FUZZ_SECONDS; findings land in build-fuzz/.
FUZZ_SECONDS ?= 120
fuzz:
	$(CMAKE) -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOLVAR_SANITIZE=address,undefined -DOLVAR_FUZZ=ON -DOLVAR_TESTS=OFF
	$(CMAKE) --build build-fuzz -j $(JOBS) --target fuzz_commands fuzz_board
	mkdir -p build-fuzz/corpus/commands build-fuzz/corpus/board
	cd build-fuzz && ./fuzz_commands -max_total_time=$(FUZZ_SECONDS) -timeout=60 -rss_limit_mb=6144 -artifact_prefix=./ corpus/commands ../tests/fuzz/commands
	cd build-fuzz && ./fuzz_board -max_total_time=$(FUZZ_SECONDS) -timeout=60 -artifact_prefix=./ corpus/board ../tests/fuzz/board

# Windows executables cross-compiled with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix
# and g++-mingw-w64-i686-posix): static console programs, portable instruction set.
# build-win/pbrain-olvar64.exe (x86-64) and build-win/pbrain-olvar.exe (32-bit).
WIN_CONFIGURE = -DCMAKE_BUILD_TYPE=Release -DOLVAR_TESTS=OFF
windows:
	$(CMAKE) -S . -B build-win/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(WIN_CONFIGURE)
	$(CMAKE) --build build-win/x64 -j $(JOBS) --target pbrain-olvar bench
	$(CMAKE) -S . -B build-win/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake $(WIN_CONFIGURE)
	$(CMAKE) --build build-win/x86 -j $(JOBS) --target pbrain-olvar bench
	@# copy_if_different: an unchanged executable is not rewritten under an engine running from it
	$(CMAKE) -E copy_if_different build-win/x64/pbrain-olvar.exe build-win/pbrain-olvar64.exe
	$(CMAKE) -E copy_if_different build-win/x86/pbrain-olvar.exe build-win/pbrain-olvar.exe

# The protocol tests, the bench signature and a short self-play match per rule,
# against both Windows executables under wine (Debian: wine64, wine32:i386).
test-windows: windows
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS) --target test_protocol selfplay bench
	tools/test_windows.sh

# Profile-guided engine (GCC profile feedback), as tools/pgo_build.sh makes it:
# build-pgo/gen instrumented, trained on the bench, then build-pgo/use/olvar,
# pbrain-olvar and bench optimised from the profile. The bench node totals of
# the training run and of the result are checked against the signature.
pgo:
	JOBS=$(JOBS) tools/pgo_build.sh build-pgo -DCMAKE_BUILD_TYPE=Release -DOLVAR_TESTS=OFF

# The release package build-dist/olvar.zip: both Windows executables and the
# Linux one (libstdc++ and libgcc linked in) at its root, and the README, all
# three profile-guided. The Windows training runs are their instrumented
# benches under wine; without wine (or, for the 32-bit one, wine32) a Windows
# executable is built plain instead, with a note.
DIST_LINUX = -DCMAKE_BUILD_TYPE=Release -DOLVAR_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS="-static-libstdc++ -static-libgcc -s"
DIST_WIN64 = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(WIN_CONFIGURE)
DIST_WIN32 = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake $(WIN_CONFIGURE)
# $(call dist_windows,DIR,CONFIGURE,CAN_RUN): profile-guided when CAN_RUN (a
# shell test) says wine runs the build, plain otherwise; the result in DIR/use.
dist_windows = if $(3); then JOBS=$(JOBS) OLVAR_PGO_RUNNER=wine tools/pgo_build.sh $(1) $(2); \
	else echo "NOTE: wine cannot run $(1): its executable is built without a profile"; \
		$(CMAKE) -S . -B $(1)/use $(2) -DOLVAR_PGO= && $(CMAKE) --build $(1)/use -j $(JOBS) --target pbrain-olvar bench; fi
dist:
	JOBS=$(JOBS) tools/pgo_build.sh build-dist/linux $(DIST_LINUX)
	$(call dist_windows,build-dist/win64,$(DIST_WIN64),command -v wine >/dev/null)
	$(call dist_windows,build-dist/win32,$(DIST_WIN32),command -v wine >/dev/null && [ -x /usr/lib/wine/wine ])
	rm -rf build-dist/olvar build-dist/olvar.zip
	mkdir -p build-dist/olvar
	cp build-dist/win64/use/pbrain-olvar.exe build-dist/olvar/pbrain-olvar64.exe
	cp build-dist/win32/use/pbrain-olvar.exe build-dist/linux/use/pbrain-olvar README.md build-dist/olvar/
	cd build-dist/olvar && $(CMAKE) -E tar cf ../olvar.zip --format=zip pbrain-olvar64.exe pbrain-olvar.exe pbrain-olvar README.md
	@ls -l build-dist/olvar.zip

# Optional: an engine for this machine's own processor (-march=native), in
# build-native/; not portable, not for the package.
native:
	$(CMAKE) -S . -B build-native -DCMAKE_BUILD_TYPE=Release -DOLVAR_TESTS=OFF -DCMAKE_CXX_FLAGS="-march=native"
	$(CMAKE) --build build-native -j $(JOBS) --target olvar pbrain-olvar bench
