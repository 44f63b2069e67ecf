# Glimmerkit: `make run [FILE=path]` starts the program, `make test` runs every test.
# Both install the missing Debian packages first (scripts/install-deps).

BUILD_DIR   ?= build
ASAN_DIR    ?= build-asan
JOBS        ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build build-asan run test check test-asan bench fuzz fuzz-smoke clean

all: build

deps:
	@./scripts/install-deps

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

$(ASAN_DIR)/build.ninja:
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLIMMER_SANITIZE=ON \
	      -DGLIMMER_BENCH=OFF $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

build-asan: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/glimmerkit $(FILE)

# The release build's tests only: quick check while developing.
check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Everything: release tests, then the whole suite again under the sanitizers.
test: check fuzz-smoke test-asan

fuzz-smoke:
	@if [ -x scripts/fuzz ]; then ./scripts/fuzz $${FUZZ_SMOKE_SECONDS:-15}; fi

fuzz: deps
	./scripts/fuzz $${FUZZ_SECONDS:-300}

bench: build
	@for b in $(BUILD_DIR)/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) build-fuzz
