# The README's commands: `make run`, `make check` and `make package`.
.PHONY: run check package program clean

BUILD_DIR := build/default
# What playing needs: the program, the style library and the demo song. The test suites and the
# benchmarks are built by `make check` alone.
PROGRAM_TARGETS := kalo kalo_style_library kalo_demo_song

# Installs what building and playing need (once), configures once, builds only the program's targets.
program:
	scripts/install-deps.sh run
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset default
	cmake --build --preset default --target $(PROGRAM_TARGETS)

# The window where there is a display; otherwise the demo song rendered through the built-in
# synthesizer to demo.wav and demo.mid in the build folder, saying what was played and written.
run: program
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD_DIR)/kalo; else \
	  $(BUILD_DIR)/kalo render $(BUILD_DIR)/SONGS/demo3.vxa -o $(BUILD_DIR)/demo.wav -o $(BUILD_DIR)/demo.mid; fi

# Everything: every build, every test suite, the package tried as installed, the fuzzers.
check:
	scripts/install-deps.sh check
	scripts/check.sh

# kalo_<version>_amd64.deb in build/default/package/.
package: program
	cd $(BUILD_DIR) && cpack --config CPackConfig.cmake

clean:
	rm -rf build
