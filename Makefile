# Pixquarry: `make run` builds and opens the window, `make test` builds and
# runs every test (a normal build and an ASan + UBSan build, after a quick
# check that the core builds without Qt), `make package` builds the .deb,
# `make fuzz` builds the libFuzzer targets with clang++-14 and runs each for
# FUZZ_SECONDS. They install the Debian packages they need first.

BUILD := build
CMAKE_FLAGS := -G Ninja
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
                 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

FUZZ_SECONDS ?= 60

.PHONY: run test fuzz deps format format-check bench package package-check

deps:
	@tools/install-deps

run: deps
	cmake -S . -B $(BUILD)/release $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(BUILD)/release
	$(BUILD)/release/pixquarry

test: deps
	# The core and the command-line harvester build and pass on their own, without Qt.
	cmake -S . -B $(BUILD)/core $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DPIXQUARRY_WERROR=ON \
	      -DPIXQUARRY_WITH_GUI=OFF
	cmake --build $(BUILD)/core
	ctest --test-dir $(BUILD)/core --output-on-failure -j2
	cmake -S . -B $(BUILD)/test $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXQUARRY_WERROR=ON
	cmake --build $(BUILD)/test
	# Every benchmark is built, not run, so none stops compiling unnoticed.
	cmake --build $(BUILD)/test --target bench-targets
	ctest --test-dir $(BUILD)/test --output-on-failure -j2
	cmake -S . -B $(BUILD)/sanitize $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DPIXQUARRY_WERROR=ON \
	      -DPIXQUARRY_SANITIZE=ON
	@grep -q -- '-fsanitize=address,undefined' $(BUILD)/sanitize/compile_commands.json \
	    || { echo "sanitizer flags do not reach the compiler"; exit 1; }
	cmake --build $(BUILD)/sanitize
	$(SANITIZER_ENV) ctest --test-dir $(BUILD)/sanitize --output-on-failure -j2

# A Debian package for /usr. Updates are the package manager's there, so the
# window only announces a newer version.
package: deps
	cmake -S . -B $(BUILD)/package $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
	      -DPIXQUARRY_WERROR=ON -DPIXQUARRY_SELF_UPDATE=OFF
	cmake --build $(BUILD)/package
	rm -f $(BUILD)/package/pixquarry_*.deb
	cd $(BUILD)/package && cpack -G DEB

# The package's dependencies, then its files unpacked into a scratch root and
# both programs started from there.
package-check: package
	packaging/check-package $(BUILD)/package/pixquarry_*.deb

fuzz: deps
	cmake -S . -B $(BUILD)/fuzz $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_CXX_COMPILER=clang++-14 -DPIXQUARRY_FUZZ=ON -DPIXQUARRY_WITH_GUI=OFF \
	      -DBUILD_TESTING=OFF
	cmake --build $(BUILD)/fuzz --target fuzz-targets -j1
	fuzz/run $(BUILD)/fuzz $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

bench: deps
	bench/run
