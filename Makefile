# Quick start on a fresh Debian 12 machine:
#   make demo   installs what is missing, builds, and runs the reference host's main job
#   make test   installs what is missing, builds, and runs every test, normal and sanitized

.PHONY: demo test deps clean

deps:
	./scripts/install-deps

demo: deps
	cmake --preset release
	cmake --build --preset release
	./build/release/bin/previewhost --headless --layout host/demo/demo-layout.xml

test: deps
	cmake --preset dev
	cmake --build --preset dev
	ctest --preset dev
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

clean:
	rm -rf build out
