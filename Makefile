# The two commands of the README: `make run` typesets the bundled sample,
# `make test` builds and runs every test. Both install what is missing first.

BUILD_TEST    ?= build
BUILD_RELEASE ?= build-release
BUILD_ASAN    ?= build-asan
BUILD_FUZZ    ?= build-fuzz
FUZZ_TIME     ?= 30
FUZZERS       := calc units boxes images figures
JOBS          ?= $(shell nproc 2>/dev/null || echo 2)
export XDG_RUNTIME_DIR ?= /tmp/veldris-runtime-$(shell id -u)

# Sanitizer runs: a report exits with 86, which no program of ours uses, so
# a test expecting veldris-render's own status 1 still fails on one. Leaks
# are reported, but for third-party ones listed in tests/sanitizers/lsan.supp.
SANITIZER_ENV := ASAN_OPTIONS=exitcode=86:detect_leaks=1 \
  UBSAN_OPTIONS=exitcode=86:print_stacktrace=1 \
  LSAN_OPTIONS=exitcode=86:suppressions=$(CURDIR)/tests/sanitizers/lsan.supp

.PHONY: all deps run test build build-release build-asan test-asan fuzz-replay check-clang clean fuzz install package

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

# The release build installed under PREFIX (programs, data, menu entry,
# MIME type, manual page); DESTDIR is honoured. packaging/CMakeLists.txt
# holds the rules.
PREFIX ?= /usr/local
install: build-release
	cmake --install $(BUILD_RELEASE) --prefix $(PREFIX)

# The Debian package $(BUILD_RELEASE)/veldris_<version>_<arch>.deb, for
# `apt install ./veldris_*.deb`.
package: build-release
	cd $(BUILD_RELEASE) && cpack -G DEB

# Every test, deterministically: the unit and end-to-end tests, the same
# tests built with ASan and UBSan, and every fuzz input kept in the tree
# replayed once. Exploring new inputs is `make fuzz`.
test: build
	cd $(BUILD_TEST) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	$(MAKE) fuzz-replay

# clang with the sanitizer and libFuzzer runtimes of its version
# (libclang-rt-N-dev, which scripts/install-deps picks for the clang package).
check-clang:
	@if ! printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
	    | clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - >/dev/null 2>&1; then \
	  echo "**************************************************************" >&2; \
	  echo "*** ERROR: clang++ cannot link a sanitized libFuzzer target." >&2; \
	  echo "*** The sanitizer and fuzz builds need clang and the" >&2; \
	  echo "*** libclang-rt-N-dev of its version (run scripts/install-deps)." >&2; \
	  echo "**************************************************************" >&2; \
	  exit 1; \
	fi

# The whole tree under ASan and UBSan (clang), the fuzz targets included.
build-asan: deps check-clang
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_ASAN) -G Ninja -DVELDRIS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
	  "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" "-DCMAKE_C_FLAGS_DEBUG=-O1 -gline-tables-only"
	cmake --build $(BUILD_ASAN) -j $(JOBS)

test-asan: build-asan
	cd $(BUILD_ASAN) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Each seed input (tests/fuzz/corpus/<target>) and each input that once
# failed (tests/fuzz/crashers/<target>) runs once through its target, with
# no mutation: given files rather than folders, libFuzzer only executes them.
fuzz-replay: build-asan
	@set -e; for t in $(FUZZERS); do \
	  files=$$(find tests/fuzz/corpus/$$t tests/fuzz/crashers/$$t -type f ! -name '.*' 2>/dev/null | LC_ALL=C sort); \
	  if [ -z "$$files" ]; then echo "*** fuzz_$$t: no input in tests/fuzz/corpus/$$t" >&2; exit 1; fi; \
	  if $(SANITIZER_ENV) $(BUILD_ASAN)/bin/fuzz_$$t -timeout=10 -rss_limit_mb=2048 $$files \
	       >$(BUILD_ASAN)/replay_$$t.log 2>&1; then \
	    echo "fuzz_$$t: $$(grep -c '^Executed ' $(BUILD_ASAN)/replay_$$t.log) inputs replayed"; \
	  else \
	    tail -n 60 $(BUILD_ASAN)/replay_$$t.log >&2; \
	    echo "*** fuzz_$$t FAILED on $$(grep '^Running: ' $(BUILD_ASAN)/replay_$$t.log | tail -n 1 | cut -d' ' -f2-)" \
	         "(log: $(BUILD_ASAN)/replay_$$t.log)" >&2; \
	    exit 1; \
	  fi; \
	done

# libFuzzer over Calc and UnitToPix, the box walk and the image decoders:
# each target explores FUZZ_TIME seconds from its seed corpus
# (tests/fuzz/corpus/<target>), the inputs that once failed
# (tests/fuzz/crashers/<target>) and a scratch corpus; a crash, hang, leak
# or sanitizer report fails. Inputs that fail are kept as
# $(BUILD_FUZZ)/artifacts/<target>-*: move them to tests/fuzz/crashers/<target>/
# once fixed, so that `make test` replays them.
fuzz: check-clang
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DVELDRIS_FUZZ_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	@set -e; for t in $(FUZZERS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$t $(BUILD_FUZZ)/artifacts; \
	  echo "fuzz_$$t: $(FUZZ_TIME) s"; \
	  $(BUILD_FUZZ)/bin/fuzz_$$t -max_total_time=$(FUZZ_TIME) -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
	    -dict=tests/fuzz/$$t.dict -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$t- -print_final_stats=1 \
	    $(BUILD_FUZZ)/corpus/$$t tests/fuzz/corpus/$$t $$(ls -d tests/fuzz/crashers/$$t 2>/dev/null) 2>$(BUILD_FUZZ)/fuzz_$$t.log \
	  || { tail -n 60 $(BUILD_FUZZ)/fuzz_$$t.log >&2; echo "*** fuzz_$$t FAILED (log: $(BUILD_FUZZ)/fuzz_$$t.log)" >&2; exit 1; }; \
	  grep -E "^stat::number_of_executed_units|^Done" $(BUILD_FUZZ)/fuzz_$$t.log || true; \
	done

clean:
	rm -rf $(BUILD_TEST) $(BUILD_RELEASE) $(BUILD_ASAN) $(BUILD_FUZZ) out
