# The two commands of the README: `make run` and `make check`.
.PHONY: run check deps build clean

BUILD_DIR := build/default

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	$(BUILD_DIR)/kalo --help

check: deps
	scripts/check.sh

clean:
	rm -rf build
