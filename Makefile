# The two entry points: `make run` and `make test`. Both install what is missing, configure and build.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
CMAKE_FLAGS ?=
ARGS ?=

.PHONY: all deps configure build run test package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# With a display the server opens its window and tray icon; without one it runs headless by itself.
run: build
	./$(BUILD_DIR)/vantaro-server $(ARGS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) --timeout 300

# The Debian package build/vantaro_<version>_amd64.deb; see the README's packaging section.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
