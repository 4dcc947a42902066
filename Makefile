# Entry points: `make run` and `make test` (see README.md). Each first installs what is missing.
.PHONY: run test test-asan fuzz deps build build-asan package install format clean

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan

run: build
	@scripts/run-demo

test: build
	@ctest --preset default

test-asan: build-asan
	@ctest --preset asan

# Every parser under libFuzzer (clang, ASan, UBSan), FUZZ_SECONDS in all, seeded with test data.
FUZZ_SECONDS ?= 180
fuzz: deps
	@scripts/fuzz $(FUZZ_SECONDS)

# The Debian package, in build/default/package/ (apt install ./build/default/package/vrtruty_*.deb).
package: build
	@cd build/default && cpack -G DEB

# Installs under CMAKE_INSTALL_PREFIX (default /usr/local), below DESTDIR when it is set.
install: build
	@DESTDIR="$(DESTDIR)" cmake --install build/default \
		$(if $(CMAKE_INSTALL_PREFIX),--prefix "$(CMAKE_INSTALL_PREFIX)")

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
