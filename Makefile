# Thin front end: the work is done by scripts/ and CMake.
JOBS ?= $(shell nproc)
DEBUG_DIR := build/debug
RELEASE_DIR := build/release

.PHONY: run test bench deps build-debug build-release clean

deps:
	./scripts/install-deps

build-release: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target velk

build-debug: deps
	cmake -S . -B $(DEBUG_DIR) -DCMAKE_BUILD_TYPE=Debug -DVELK_SANITIZE=ON -DVELK_WERROR=ON >/dev/null
	cmake --build $(DEBUG_DIR) -j $(JOBS)

# Starts Velk on its default data file.
run: build-release
	./$(RELEASE_DIR)/velk

# Debug build with AddressSanitizer and UBSan; every test, the GUI ones under Xvfb.
test: build-debug
	cd $(DEBUG_DIR) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS)

bench: build-release
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target velk_bench velk_gui_bench
	./$(RELEASE_DIR)/bench/velk_bench
	xvfb-run -a -s "-screen 0 1280x1024x24" ./$(RELEASE_DIR)/bench/velk_gui_bench

clean:
	rm -rf build
