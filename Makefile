# The two commands of the README: `make run` typesets the bundled sample,
# `make test` builds and runs every test. Both install what is missing first.

BUILD_TEST    ?= build
BUILD_RELEASE ?= build-release
BUILD_FUZZ    ?= build-fuzz
FUZZ_TIME     ?= 30
FUZZERS       := calc units boxes images
JOBS          ?= $(shell nproc 2>/dev/null || echo 2)
export XDG_RUNTIME_DIR ?= /tmp/veldris-runtime-$(shell id -u)

.PHONY: all deps run test build build-release clean fuzz

all: build

deps:
	@scripts/install-deps
	@mkdir -p $(XDG_RUNTIME_DIR) && chmod 700 $(XDG_RUNTIME_DIR)

build-release: deps
	cmake -S . -B $(BUILD_RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_RELEASE) -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD_TEST) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_TEST) -j $(JOBS)

run: build-release
	@rm -rf out/intro-png && mkdir -p out/intro-png
	$(BUILD_RELEASE)/bin/veldris-render samples/intro.vdr --pdf out/intro.pdf --png out/intro-png
	@echo "PDF:  $(CURDIR)/out/intro.pdf"
	@echo "PNG:  $(CURDIR)/out/intro-png/"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ -x $(BUILD_RELEASE)/bin/veldris ]; then \
	  echo "Opening the viewer on samples/intro.vdr"; \
	  $(BUILD_RELEASE)/bin/veldris samples/intro.vdr & \
	fi

test: build
	cd $(BUILD_TEST) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

# libFuzzer over Calc and UnitToPix: each target runs FUZZ_TIME seconds
# over its seed corpus (tests/fuzz/corpus/<target>) and a scratch corpus;
# a crash, hang, leak or sanitizer report fails the build. Inputs that
# fail are kept as $(BUILD_FUZZ)/artifacts/<target>-*: add them to the
# seed corpus once fixed.
fuzz:
	@if ! command -v clang >/dev/null 2>&1 || ! command -v clang++ >/dev/null 2>&1; then \
	  echo "**************************************************************" >&2; \
	  echo "*** make fuzz: ERROR: clang/clang++ not found." >&2; \
	  echo "*** The fuzz targets need clang and libclang-rt-14-dev" >&2; \
	  echo "*** (run scripts/install-deps). Fuzzing was NOT run." >&2; \
	  echo "**************************************************************" >&2; \
	  exit 1; \
	fi
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DVELDRIS_FUZZ_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	@set -e; for t in $(FUZZERS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$t $(BUILD_FUZZ)/artifacts; \
	  echo "fuzz_$$t: $(FUZZ_TIME) s"; \
	  $(BUILD_FUZZ)/bin/fuzz_$$t -max_total_time=$(FUZZ_TIME) -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
	    -dict=tests/fuzz/$$t.dict -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$t- -print_final_stats=1 \
	    $(BUILD_FUZZ)/corpus/$$t tests/fuzz/corpus/$$t 2>$(BUILD_FUZZ)/fuzz_$$t.log \
	  || { tail -n 60 $(BUILD_FUZZ)/fuzz_$$t.log >&2; echo "*** fuzz_$$t FAILED (log: $(BUILD_FUZZ)/fuzz_$$t.log)" >&2; exit 1; }; \
	  grep -E "^stat::number_of_executed_units|^Done" $(BUILD_FUZZ)/fuzz_$$t.log || true; \
	done

clean:
	rm -rf $(BUILD_TEST) $(BUILD_RELEASE) $(BUILD_FUZZ) out
