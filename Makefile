# Quick start on a fresh Debian 12 machine:
#   make demo   installs what is missing, builds, and runs the reference host's main job
#   make window the same, with the reference host's window (needs a display)
#   make test   installs what is missing, builds, and runs every test, normal and under
#               ASan+UBSan, and the threading suites under ThreadSanitizer

.PHONY: demo window test deps clean

deps:
	./scripts/install-deps

# The demo keeps its settings, log and cache under out/demo/, so it never touches the layout of
# someone who uses previewhost for real.
DEMO_HOME = $(CURDIR)/out/demo

demo: deps
	cmake --preset release
	cmake --build --preset release
	XDG_CONFIG_HOME=$(DEMO_HOME)/config XDG_STATE_HOME=$(DEMO_HOME)/state \
	XDG_CACHE_HOME=$(DEMO_HOME)/cache \
		./build/release/bin/previewhost --headless --layout host/demo/demo-layout.xml

# The window starts from the demo layout once; later starts restore what the user arranged.
window: deps
	cmake --preset release
	cmake --build --preset release
	XDG_CONFIG_HOME=$(DEMO_HOME)/config XDG_STATE_HOME=$(DEMO_HOME)/state \
	XDG_CACHE_HOME=$(DEMO_HOME)/cache \
		./build/release/bin/previewhost \
		$$([ -f $(DEMO_HOME)/config/previewhost/previewsetting.xml ] || \
		   echo --layout host/demo/demo-layout.xml)

test: deps
	cmake --preset dev
	cmake --build --preset dev
	ctest --preset dev
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

clean:
	rm -rf build out
