# make run   install what is missing, build, start the program
# make test  install what is missing, build, run every test but the long ones
# make test-long  the long tests: floods, reconnect storms, the soak
# make bench run the benchmarks
# make sanitize  run the tests under AddressSanitizer and UndefinedBehaviorSanitizer
# make fuzz  run the fuzz targets for FUZZ_SECONDS seconds each
# make install  build, then install into PREFIX (default /usr/local)
# make package  build, then a Debian package BUILD/zar_VERSION_ARCH.deb (CPack)
# make format  rewrite the tracked .cpp/.h files with clang-format-14
# make format-check  fail, naming the files, when clang-format-14 would change any
#
# WERROR=ON turns compiler warnings into errors (CI does so).

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
WERROR ?= OFF

.PHONY: web web-serve web-bridge test-web bench-web all deps configure build test test-long run bench sanitize fuzz install package format format-check clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DZAR_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE long

test-long: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -L long

run: build
	$(BUILD)/app/zar-workbench

# The programs, the examples, the man page, the menu entry and the icon
# under PREFIX (bin/, share/).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The same files under /usr in a .deb that `apt-get install ./BUILD/zar_*.deb`
# installs with its dependencies.
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	$(BUILD)/bench/zar-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# The tests but the long ones once more, built by clang with AddressSanitizer
# and UndefinedBehaviorSanitizer, in a build folder of their own.
SANITIZE_BUILD ?= build-sanitize
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DZAR_SANITIZE=ON -DZAR_BUILD_BENCH=OFF -DZAR_WERROR=$(WERROR)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -LE long

# Every fuzz target for FUZZ_SECONDS seconds; fails on any finding.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DZAR_FUZZ=ON \
	  -DZAR_WERROR=$(WERROR)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The layout of the tracked .cpp and .h files, by .clang-format.
format: deps
	scripts/format-check --fix

format-check: deps
	scripts/format-check

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)

# The site in the browser: the core built by emscripten into WEB_BUILD/site
# (index.html, the bundle, the wasm; relative URLs). web-serve serves it on
# 127.0.0.1 at WEB_PORT (0: a free port, printed); test-web compares zar.js
# under node and the page in chromium with the native build.
WEB_BUILD ?= build-web
WEB_PORT ?= 0
EMENV = NODE_PATH=/usr/share/nodejs
web: deps
	$(EMENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DZAR_WERROR=$(WERROR) >/dev/null
	$(EMENV) cmake --build $(WEB_BUILD) -j $(JOBS) --target zar zar-core zar-editor zar-engine-check
	[ -d node_modules ] || PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
	node web/build.mjs $(WEB_BUILD)/site $(WEB_BUILD)/web/core

web-serve: web
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/site

# The bridge from the page's network device to TCP, for pages served from
# BRIDGE_ORIGIN (make web-serve WEB_PORT=8000 serves there); it prints its
# address, its token and the link to open. BRIDGE_FLAGS: --allow-hosts,
# --port N (docs/bridge.md).
BRIDGE_ORIGIN ?= http://127.0.0.1:8000
BRIDGE_FLAGS ?=
web-bridge:
	[ -d node_modules ] || PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
	node web/bridge/zar-bridge.mjs --origin $(BRIDGE_ORIGIN) $(BRIDGE_FLAGS)

# The page's speed against the native zar (medians, printed, never asserted).
bench-web: web configure
	$(EMENV) cmake --build $(WEB_BUILD) -j $(JOBS) --target zar-compile-times
	cmake --build $(BUILD) -j $(JOBS) --target zar
	ZAR_NATIVE=$(abspath $(BUILD)) ZAR_SITE=$(abspath $(WEB_BUILD))/site node bench/web/bench.mjs

test-web: web configure
	cmake --build $(BUILD) -j $(JOBS) --target zar editor-dump zar-engine-check
	ZAR_NATIVE=$(abspath $(BUILD)) ZAR_WEB=$(abspath $(WEB_BUILD)) node --test tests/web/
	ZAR_NATIVE=$(abspath $(BUILD)) ZAR_SITE=$(abspath $(WEB_BUILD))/site npx playwright test -c tests/web/playwright.config.mjs
