# Thin front end: the work is done by scripts/ and CMake.
JOBS ?= $(shell nproc)
DEBUG_DIR := build/debug
RELEASE_DIR := build/release
FUZZ_DIR := build/fuzz
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := read_data journal crypt_read bin_ascii description config insert ics_import
# Where `make install` puts Velk, and the staging folder it is put below.
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: run test bench fuzz deps build-debug build-release build-fuzz install uninstall deb clean

deps:
	./scripts/install-deps

build-release: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target velk velk_manual

build-debug: deps
	cmake -S . -B $(DEBUG_DIR) -DCMAKE_BUILD_TYPE=Debug -DVELK_SANITIZE=ON -DVELK_WERROR=ON >/dev/null
	cmake --build $(DEBUG_DIR) -j $(JOBS)

# The fuzz targets: clang, libFuzzer, AddressSanitizer and UBSan.
build-fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVELK_FUZZ=ON >/dev/null
	cmake --build $(FUZZ_DIR) -j $(JOBS)

# Runs every fuzz target in turn for FUZZ_SECONDS, keeping what it learns in
# $(FUZZ_DIR)/corpus; a finding stops the run and is left in corpus/TARGET.artifacts.
fuzz: build-fuzz
	@for t in $(FUZZ_TARGETS); do \
	  echo "== fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  seeds="tests/data/fuzz/$$t"; \
	  case $$t in read_data|insert) seeds="$$seeds $(FUZZ_DIR)/fuzz/golden";; esac; \
	  fuzz/run_fuzz.sh ./$(FUZZ_DIR)/fuzz/$${t}_fuzz $(FUZZ_SECONDS) $(FUZZ_DIR)/corpus/$$t $$seeds || exit 1; \
	done

# Starts Velk on its default data file.
run: build-release
	./$(RELEASE_DIR)/velk

# Debug build with AddressSanitizer and UBSan; every test, the GUI ones under Xvfb;
# then a few seconds of every fuzz target, its seeds and regression inputs first.
test: build-debug build-fuzz
	cd $(DEBUG_DIR) && ../../scripts/with-xvfb ctest --output-on-failure -j $(JOBS)
	cd $(FUZZ_DIR) && ctest --output-on-failure -j $(JOBS)

# The program, its manual page, the menu entry and the icons under $(PREFIX),
# below $(DESTDIR) when it is given (for staging and packaging).
install: build-release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR) --prefix "$(PREFIX)" --strip

# Removes the files that the last `make install` put in place, under the same
# DESTDIR and PREFIX.
uninstall:
	DESTDIR="$(DESTDIR)" ./scripts/uninstall $(RELEASE_DIR) "$(PREFIX)"

# The Debian package $(RELEASE_DIR)/velk_VERSION_ARCH.deb: the same files under /usr.
deb: build-release
	cd $(RELEASE_DIR) && cpack

# The benchmarks also time calcurse beside Velk; install-deps --bench adds it.
bench: build-release
	./scripts/install-deps --bench
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target velk_bench velk_gui_bench
	./$(RELEASE_DIR)/bench/velk_bench
	./scripts/with-xvfb ./$(RELEASE_DIR)/bench/velk_gui_bench

clean:
	rm -rf build
