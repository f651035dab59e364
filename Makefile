# Thin wrapper over CMake. `make run` installs what is missing, builds and starts
# the game; `make test` installs what is missing, builds and runs every test;
# `make install` installs the game under PREFIX (DESTDIR is honoured); `make deb`
# builds the Debian package build/timberdrive_<version>_amd64.deb. `make web` builds
# the browser game into build-web/site; `make web-run` serves it on 127.0.0.1.
JOBS ?= 2
PREFIX ?= /usr/local

.PHONY: run build test install deb clean web web-run

build:
	tools/install-deps.sh
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build -j $(JOBS) --target timberdrive

run: build
	./build/timberdrive

test:
	tools/run-tests.sh

install: build
	cmake --install build --prefix "$(PREFIX)" --strip

deb: build
	cd build && cpack -G DEB

web:
	tools/install-deps.sh
	tools/web/build.sh build-web

web-run: web
	tools/web/serve.py build-web/site

clean:
	rm -rf build build-asan build-tsan build-fuzz build-web
