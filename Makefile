# The two commands of the README: `make run` and `make check`.
.PHONY: run check deps build clean

BUILD_DIR := build/default

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

# The window where there is a display; the command line's help otherwise.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD_DIR)/kalo; else $(BUILD_DIR)/kalo --help; fi

check: deps
	scripts/check.sh

clean:
	rm -rf build
