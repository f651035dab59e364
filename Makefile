# Thin wrapper over CMake. `make run` installs what is missing, builds and starts
# the game; `make test` installs what is missing, builds and runs every test.
JOBS ?= 2

.PHONY: run build test clean

build:
	tools/install-deps.sh
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target timberdrive

run: build
	./build/timberdrive

test:
	tools/run-tests.sh

clean:
	rm -rf build build-asan build-tsan build-fuzz
