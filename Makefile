# The two entry points: `make run` and `make test`. Both install what is missing, configure and build.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
CMAKE_FLAGS ?=
ARGS ?=

.PHONY: all deps configure build run test package clean windows test-windows

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
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) --timeout 300 -LE windows

# The Windows build: MinGW-w64 cross build into build-windows/ (vantaro-server.exe, the unit
# tests), with libx264 and libspeex built from Debian's sources into build-windows/deps once.
WINDOWS_DIR ?= build-windows
WINE_PREFIX = $(WINDOWS_DIR)/wine-prefix

windows:
	@bash scripts/install-deps.sh scripts/packages-windows.txt
	@JOBS=$(JOBS) bash scripts/build-windows-deps.sh $(WINDOWS_DIR)/deps
	@cmake -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DVANTARO_WINDOWS_DEPS=$(abspath $(WINDOWS_DIR)/deps) >/dev/null
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)

# The unit tests under Wine, then the integration tests, which drive vantaro-server.exe under
# Wine from the Linux build's device client. One wineserver for all of them, ended at the end.
test-windows: windows build
	@bash scripts/wine.sh start $(WINE_PREFIX)
	@rc=0; \
	ctest --test-dir $(WINDOWS_DIR) --output-on-failure -j $(JOBS) --timeout 300 || rc=1; \
	WINEPREFIX=$(abspath $(WINE_PREFIX)) VANTARO_WINDOWS_SERVER=$(abspath $(WINDOWS_DIR))/vantaro-server.exe \
	  VANTARO_WINE_DISPLAY=$$(cat $(WINE_PREFIX)/xvfb.display 2>/dev/null) \
	  ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) --timeout 300 -L windows || rc=1; \
	bash scripts/wine.sh stop $(WINE_PREFIX); exit $$rc

# The Debian package build/vantaro_<version>_amd64.deb; see the README's packaging section.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
