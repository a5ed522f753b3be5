# make run   install what is missing, build, start the program
# make test  install what is missing, build, run every test
# make bench run the benchmarks

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
EXAMPLE ?= examples/hello.OIA

.PHONY: all deps configure build test run bench clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	$(BUILD)/cli/zar asm $(EXAMPLE) -o $(BUILD)/example.oisc
	$(BUILD)/cli/zar run $(BUILD)/example.oisc

bench: build
	$(BUILD)/bench/zar-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

clean:
	rm -rf $(BUILD)
