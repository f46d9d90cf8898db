# The two commands of the README: `make run` and `make check`.
.PHONY: run check deps build clean

BUILD_DIR := build/default

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

# The window where there is a display; otherwise the demo song rendered through the built-in
# synthesizer to demo.wav and demo.mid in the build folder, saying what was played and written.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD_DIR)/kalo; else \
	  $(BUILD_DIR)/kalo render $(BUILD_DIR)/SONGS/demo3.vxa -o $(BUILD_DIR)/demo.wav -o $(BUILD_DIR)/demo.mid; fi

check: deps
	scripts/check.sh

clean:
	rm -rf build
