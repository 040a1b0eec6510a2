# Thin wrapper over CMake: everything is built and run under build/.
BUILD ?= build

.PHONY: build run heapsort-run test test-sanitize fuzz coverage lint bench clean

build:
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)
	cmake --build $(BUILD) --parallel

# versefind on the example text, in a scratch folder of its own.
run: build
	rm -rf $(BUILD)/run-versefind
	mkdir -p $(BUILD)/run-versefind
	cp examples/sonnets.txt $(BUILD)/run-versefind/
	cd $(BUILD)/run-versefind && ../bin/versefind

# heapsort on the example number files, in a scratch folder of its own.
heapsort-run: build
	rm -rf $(BUILD)/run-heapsort
	mkdir -p $(BUILD)/run-heapsort
	cp -r examples/input $(BUILD)/run-heapsort/
	cd $(BUILD)/run-heapsort && ../bin/heapsort

test: build
	cd $(BUILD) && ctest --output-on-failure

# The same tests, built with AddressSanitizer and UndefinedBehaviorSanitizer:
# any report fails the test that caused it.
test-sanitize:
	$(MAKE) test BUILD=build/sanitize CMAKE_ARGS="-DSANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# Each fuzz target for FUZZ_SECONDS, built with clang, libFuzzer and both
# sanitizers. New inputs go to build/fuzz/corpus, beside the seeds of
# fuzz/corpus; an input that breaks a target is kept in build/fuzz/artifacts.
FUZZ_SECONDS ?= 60
FUZZ_BUILD = build/fuzz
FUZZ_TARGETS = index_fuzz numbers_fuzz order_dialogue_fuzz command_dialogue_fuzz
fuzz:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DFUZZ=ON \
	  -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) --parallel --target $(FUZZ_TARGETS)
	mkdir -p $(FUZZ_BUILD)/artifacts
	for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$target && \
	  $(FUZZ_BUILD)/bin/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=30 -max_len=4096 -len_control=0 \
	    -print_final_stats=1 -artifact_prefix=$(abspath $(FUZZ_BUILD)/artifacts)/$$target- \
	    $(abspath $(FUZZ_BUILD)/corpus)/$$target $(abspath fuzz/corpus)/$$target || exit 1; \
	done

# Line and branch coverage of the programs' own code by the tests (gcovr):
# a summary here, the annotated sources in build/coverage/report/.
coverage:
	$(MAKE) test BUILD=build/coverage CMAKE_ARGS="-DCOVERAGE=ON -DCMAKE_BUILD_TYPE=Debug"
	mkdir -p build/coverage/report
	gcovr --root . --object-directory build/coverage \
	  --filter 'versefind/' --filter 'heapsort/' --exclude '.*_test\.cpp' \
	  --exclude 'versefind/(tree_check|text_model)\.cpp' \
	  --exclude-unreachable-branches --exclude-throw-branches \
	  --print-summary --html-details build/coverage/report/index.html

# Static analysis of the programs' own code; the checks chosen are in
# .clang-tidy and .cppcheck-suppressions.
PROGRAM_SOURCES = $(filter-out %_test.cpp,$(wildcard versefind/*.cpp heapsort/*.cpp))
lint: build
	clang-tidy -p $(BUILD) --quiet $(PROGRAM_SOURCES)
	cppcheck --std=c++17 --language=c++ --enable=warning,style,performance,portability \
	  --error-exitcode=1 --inline-suppr --quiet --suppressions-list=.cppcheck-suppressions \
	  -I versefind -I heapsort $(PROGRAM_SOURCES)

# The benchmarks, every case beside its baseline, then the table of ratios.
# Needs Google Benchmark; TEXT=FILE indexes FILE instead of the generated text.
BENCH_ARGS ?= --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true
bench: build
	@test -x $(BUILD)/bin/index_bench || \
	  { echo "Google Benchmark was not found (Debian: libbenchmark-dev)"; exit 1; }
	$(BUILD)/bin/heap_bench $(BENCH_ARGS)
	$(BUILD)/bin/index_bench $(BENCH_ARGS) $(if $(TEXT),--text $(TEXT))

clean:
	rm -rf $(BUILD)
