# The two commands of the README: `make run` typesets the bundled sample,
# `make test` builds and runs every test. Both install what is missing first.

BUILD_TEST    ?= build
BUILD_RELEASE ?= build-release
JOBS          ?= $(shell nproc 2>/dev/null || echo 2)
export XDG_RUNTIME_DIR ?= /tmp/veldris-runtime-$(shell id -u)

.PHONY: all deps run test build build-release clean

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

clean:
	rm -rf $(BUILD_TEST) $(BUILD_RELEASE) out
