# Thin wrapper over CMake: everything is built and run under build/.
BUILD ?= build
MAKEFLAGS += --no-print-directory
# Compiler jobs of every build, and tests run at once by `make test`; by
# default one per core (JOBS=1 on a machine short of memory).
JOBS ?= $(shell nproc 2>/dev/null || getconf _NPROCESSORS_ONLN 2>/dev/null || echo 1)

.PHONY: build configure bench-programs run heapsort-run test test-sanitize fuzz coverage lint bench clean \
  bench-heapsort-all bench-index bench-tools \
  bench-concordance charts tree-picture plot-picture test-page page-picture page-test-setup \
  windows test-windows test-libcxx install uninstall package package-windows lint-man mutate

# $(call need,COMMAND,DEBIAN PACKAGES): stops with the package to install
# when COMMAND is missing.
need = @command -v $(1) >/dev/null 2>&1 || \
  { echo "$(1) was not found (Debian: $(2))" >&2; exit 1; }

# The programs and their tests; the benchmarks and the fuzz targets are built
# only by the commands that use them.
build: configure
	cmake --build $(BUILD) --parallel $(JOBS)

configure:
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

# versefind on the example text, in a scratch folder of its own; only
# versefind is built for it.
run: configure
	cmake --build $(BUILD) --parallel $(JOBS) --target versefind
	rm -rf $(BUILD)/run-versefind
	mkdir -p $(BUILD)/run-versefind
	cp examples/sonnets.txt $(BUILD)/run-versefind/
	cd $(BUILD)/run-versefind && ../bin/versefind

# heapsort on the example number files, in a scratch folder of its own; only
# heapsort is built for it.
heapsort-run: configure
	cmake --build $(BUILD) --parallel $(JOBS) --target heapsort
	rm -rf $(BUILD)/run-heapsort
	mkdir -p $(BUILD)/run-heapsort
	cp -r examples/input $(BUILD)/run-heapsort/
	cd $(BUILD)/run-heapsort && ../bin/heapsort

# Fails, rather than passing with nothing run, when the tests were not built
# (GoogleTest missing: CMake's warning says which package to install).
test: build
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error --parallel $(JOBS) || \
	  { status=$$?; ctest -N | grep -q 'Total Tests: 0' && \
	    echo "No tests were built: GoogleTest was not found (Debian: libgtest-dev)" >&2; exit $$status; }

# The same tests, built with AddressSanitizer and UndefinedBehaviorSanitizer:
# any report fails the test that caused it.
test-sanitize:
	$(MAKE) test BUILD=build/sanitize CMAKE_ARGS="-DSANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# Each fuzz target for FUZZ_SECONDS, built with clang, libFuzzer and both
# sanitizers. New inputs go to build/fuzz/corpus, beside the seeds of
# fuzz/corpus; an input that breaks a target is kept in build/fuzz/artifacts.
FUZZ_SECONDS ?= 60
FUZZ_BUILD = build/fuzz
FUZZ_TARGETS = index_fuzz index_file_fuzz numbers_fuzz order_dialogue_fuzz command_dialogue_fuzz
fuzz:
	$(call need,clang++,clang)
	@echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, long) { return 0; }' | \
	  clang++ -fsanitize=fuzzer -x c++ - -o /dev/null 2>/dev/null || \
	  { echo "libFuzzer was not found (Debian: libclang-rt-14-dev, for clang 14)" >&2; exit 1; }
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DFUZZ=ON \
	  -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) --parallel $(JOBS) --target $(FUZZ_TARGETS)
	mkdir -p $(FUZZ_BUILD)/artifacts
	@for target in $(FUZZ_TARGETS); do \
	  echo "== $$target, for $(FUZZ_SECONDS) seconds"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$target && \
	  $(FUZZ_BUILD)/bin/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=30 -max_len=4096 -len_control=0 \
	    -print_final_stats=1 -artifact_prefix=$(abspath $(FUZZ_BUILD)/artifacts)/$$target- \
	    $(abspath $(FUZZ_BUILD)/corpus)/$$target $(abspath fuzz/corpus)/$$target || exit 1; \
	done

# Line and branch coverage of the programs' own code by the tests (gcovr):
# a summary here, the annotated sources in build/coverage/report/.
coverage:
	$(call need,gcovr,gcovr)
	$(MAKE) test BUILD=build/coverage CMAKE_ARGS="-DCOVERAGE=ON -DCMAKE_BUILD_TYPE=Debug"
	mkdir -p build/coverage/report
	gcovr --root . --object-directory build/coverage \
	  --filter 'versefind/' --filter 'heapsort/' --exclude '.*_test\.cpp' \
	  --exclude-unreachable-branches --exclude-throw-branches \
	  --print-summary --html-details build/coverage/report/index.html
	@echo "The report: build/coverage/report/index.html"

# Static analysis of the programs' own code; the checks chosen are in
# .clang-tidy and .cppcheck-suppressions.
PROGRAM_SOURCES = $(filter-out %_test.cpp,$(wildcard common/*.cpp versefind/*/*.cpp heapsort/*.cpp))
lint: build
	$(call need,clang-tidy,clang-tidy)
	$(call need,cppcheck,cppcheck)
	@echo "clang-tidy on $(words $(PROGRAM_SOURCES)) files"
	@clang-tidy -p $(BUILD) --quiet $(PROGRAM_SOURCES) 2> $(BUILD)/clang-tidy.log; status=$$?; \
	  grep -v '^[0-9]* warnings\? generated\.$$' $(BUILD)/clang-tidy.log >&2; exit $$status
	@echo "cppcheck on the same files"
	@cppcheck --std=c++17 --language=c++ --enable=warning,style,performance,portability \
	  --error-exitcode=1 --inline-suppr --quiet --suppressions-list=.cppcheck-suppressions \
	  -I common -I versefind -I heapsort $(PROGRAM_SOURCES)
	@echo "clang-tidy and cppcheck find nothing in $(words $(PROGRAM_SOURCES)) files"

# The benchmarks, every case beside its baseline, then the table of ratios.
# Needs Google Benchmark; TEXT=FILE indexes FILE instead of the generated text.
BENCH_ARGS ?= --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true
bench-programs: configure
	cmake --build $(BUILD) --parallel $(JOBS) --target heap_bench index_bench

bench: bench-programs
	$(call need,hyperfine,hyperfine)
	$(BUILD)/bin/heap_bench $(BENCH_ARGS)
	$(BUILD)/bin/index_bench $(BENCH_ARGS) $(if $(TEXT),--text $(TEXT))
	$(MAKE) bench-concordance
	$(MAKE) bench-heapsort-all
	$(MAKE) bench-index

# heapsort --all as a whole process on 20,000,000 random ints beside
# `LC_ALL=C sort -n` with the same 64 MiB (wall time and peak memory by
# /usr/bin/time), then the runs formed at 64K on random, sorted and reversed
# input. The numbers are generated once, in $(BUILD)/bench-heapsort-all.
bench-heapsort-all: configure
	cmake --build $(BUILD) --parallel $(JOBS) --target heapsort
	bench/heapsort_all_bench.sh $(BUILD)/bin $(BUILD)/bench-heapsort-all

# versefind's query mode as whole processes, with hyperfine and
# /usr/bin/time: 500 words of the text, and of a generated text of 10 MB with
# 100,000 distinct words, answered by one versefind, beside a std::map
# concordance (and, on the first text, a grep per word). TEXT=FILE as above;
# RUNS=N times each command N times.
bench-concordance: configure
	$(call need,hyperfine,hyperfine)
	cmake --build $(BUILD) --parallel $(JOBS) --target versefind map_concordance index_bench
	bench/concordance_bench.sh $(BUILD)/bin $(BUILD)/bench-concordance $(TEXT)

# versefind's index in a file against its targets, whole processes timed with
# hyperfine and /usr/bin/time: on a generated text of 100 MB with 1,000,000
# distinct words (made once, in $(BUILD)/bench-index), the build beside the
# std::map concordance, the index's size, one word and a --count beside grep,
# the memory of a query; then the pages read per look-up by order, on the
# text of 10 MB. Several minutes; RUNS=N runs each command N times.
bench-index: configure
	$(call need,hyperfine,hyperfine)
	cmake --build $(BUILD) --parallel $(JOBS) --target versefind map_concordance index_bench
	bench/index_bench.sh $(BUILD)/bin $(BUILD)/bench-index

# versefind's corpus tools against their targets, whole processes timed with
# hyperfine and /usr/bin/time: --collocates beside the concordance of the
# same word, and --ngrams 3 beside indexing the text, on a generated text of
# 10 MB with 100,000 distinct words (made once, in $(BUILD)/bench-tools), in
# memory and from an index file. RUNS=N runs each command N times.
bench-tools: configure
	$(call need,hyperfine,hyperfine)
	cmake --build $(BUILD) --parallel $(JOBS) --target versefind index_bench
	bench/corpus_tools_bench.sh $(BUILD)/bin $(BUILD)/bench-tools

# Mutation analysis: small changes to the programs' sources, each rebuilt (in
# build/mutate) and tested; build/mutate/report.txt lists the changes that no
# test noticed. Minutes per file, so it is not part of the tests or of CI.
# FILES=... mutates only those; MUTATE_ARGS adds options (--filter RE, --max N,
# --sanitize).
mutate:
	$(call need,python3,python3)
	JOBS=$(JOBS) python3 testing/mutate.py $(MUTATE_ARGS) $(FILES)

# ---- pictures ----------------------------------------------------------------

# The benchmarks run as sweeps, drawn as SVG charts with gnuplot (a few
# minutes; SWEEP=short for a quick check). TEXT=FILE indexes FILE instead of
# the generated text.
charts:
	$(call need,gnuplot,gnuplot-nox)
	$(MAKE) bench-programs
	SWEEP=$(SWEEP) pictures/draw_charts.sh $(BUILD)/bin $(PICTURES)/charts $(TEXT)

# The B-tree that versefind builds from TEXT at ORDER, written as DOT by
# versefind itself and drawn with Graphviz. versefind writes a tree of any
# size; a drawing of more than MOST_KEYS keys is unreadable, so none is made.
ORDER ?= 2
MOST_KEYS = 400
PICTURES = $(BUILD)/pictures
TREE_TEXT = $(abspath $(or $(TEXT),examples/sonnets.txt))
tree-picture:
	$(call need,dot,graphviz)
	$(MAKE) configure
	cmake --build $(BUILD) --parallel $(JOBS) --target versefind
	rm -rf $(PICTURES)/tree && mkdir -p $(PICTURES)/tree
	@keys=$$($(BUILD)/bin/versefind --text $(TREE_TEXT) $(ORDER) --stats | \
	  awk '$$1 == "keys" && $$2 ~ /^[0-9]/ { print $$2 + 0 }'); test -n "$$keys" || exit 1; \
	  if [ "$$keys" -gt $(MOST_KEYS) ]; then echo "$(TREE_TEXT) has $$keys keys; a drawing of" \
	    "more than $(MOST_KEYS) is unreadable, so none is made" >&2; exit 1; fi
	cd $(PICTURES)/tree && $(abspath $(BUILD))/bin/versefind --text $(TREE_TEXT) $(ORDER) --dot > tree.dot
	dot -Tsvg $(PICTURES)/tree/tree.dot -o $(PICTURES)/tree-order-$(ORDER).svg
	@echo "The drawing: $(PICTURES)/tree-order-$(ORDER).svg"

# The step-through pages (--trace=html) of both programs in a real headless
# Chromium: testing/page_test.js, with puppeteer-core from npm at the exact
# versions of testing/package-lock.json, installed under $(BUILD)/page-test
# (never a browser of its own: the system's chromium is driven). test-page
# checks each page against the program's own JSON event log; page-picture
# takes the screenshots that docs/watching.md shows, to
# $(PICTURES)/heapsort-page.png and $(PICTURES)/versefind-page.png.
PAGE_TEST = $(BUILD)/page-test
page-test-setup:
	$(call need,chromium,chromium)
	$(call need,node,nodejs)
	$(call need,npm,npm)
	$(MAKE) configure
	cmake --build $(BUILD) --parallel $(JOBS) --target heapsort versefind
	@mkdir -p $(PAGE_TEST)
	@if ! cmp -s testing/package-lock.json $(PAGE_TEST)/package-lock.json || \
	    [ ! -d $(PAGE_TEST)/node_modules/puppeteer-core ]; then \
	  cp testing/package.json testing/package-lock.json $(PAGE_TEST)/ && \
	  cd $(PAGE_TEST) && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error; \
	fi

PAGE_TEST_RUN = NODE_PATH=$(abspath $(PAGE_TEST))/node_modules node testing/page_test.js \
  $(abspath $(BUILD))/bin/heapsort $(abspath $(PAGE_TEST))/run
test-page: page-test-setup
	$(PAGE_TEST_RUN)

page-picture: page-test-setup
	mkdir -p $(PICTURES)
	$(PAGE_TEST_RUN) --picture $(abspath $(PICTURES))/heapsort-page.png

# Where WORDS stand through TEXT, drawn by versefind itself (--plot): a row
# a word, a mark at each place. versefind runs in the text's folder, so that
# the picture's title is the file's name, not the path to it; a word not
# found gets an empty row, and the picture is made all the same.
WORDS ?= love beauty time death
plot-picture:
	$(MAKE) configure
	cmake --build $(BUILD) --parallel $(JOBS) --target versefind
	mkdir -p $(PICTURES)
	cd $(dir $(TREE_TEXT)) && $(abspath $(BUILD))/bin/versefind --text $(notdir $(TREE_TEXT)) 3 \
	  --plot $(WORDS) > $(abspath $(PICTURES))/dispersion-plot.svg; test $$? -le 1
	@echo "The plot: $(PICTURES)/dispersion-plot.svg"

# ---- other platforms ---------------------------------------------------------

# Windows: a cross-build with MinGW-w64; the tests run under Wine, with a
# Wine prefix of their own in the build folder. Wine's server and its
# services are started before the tests and stopped after them: started by
# the first test instead, they would hold the test's output open for seconds.
WINDOWS_BUILD = build/windows
WINDOWS_ARGS = -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DGTEST_FROM_SOURCE=ON
WINE = $(firstword $(wildcard /usr/lib/wine/wine64) $(shell command -v wine64 wine 2>/dev/null))
WINESERVER = $(firstword $(wildcard /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver) \
  $(shell command -v wineserver 2>/dev/null))
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
windows:
	$(call need,x86_64-w64-mingw32-g++-posix,g++-mingw-w64-x86-64-posix)
	cmake -S . -B $(WINDOWS_BUILD) $(WINDOWS_ARGS)
	cmake --build $(WINDOWS_BUILD) --parallel $(JOBS) --target versefind heapsort
	@echo "The Windows programs: $(WINDOWS_BUILD)/bin/versefind.exe $(WINDOWS_BUILD)/bin/heapsort.exe"

# Then an index built by this system's versefind is asked under Wine.
test-windows: windows build
	@test -n "$(WINE)" -a -n "$(WINESERVER)" || { echo "Wine was not found (Debian: wine64)" >&2; exit 1; }
	cmake --build $(WINDOWS_BUILD) --parallel $(JOBS)
	mkdir -p $(WINDOWS_BUILD)/wine
	$(WINE_ENV) $(WINESERVER) -p60
	$(WINE_ENV) $(WINE) wineboot.exe >/dev/null 2>&1
	cd $(WINDOWS_BUILD) && ctest --output-on-failure; status=$$?; \
	  if [ $$status -eq 0 ]; then \
	    $(WINE_ENV) $(CURDIR)/testing/index_across_systems.sh $(abspath $(BUILD))/bin/versefind \
	      $(abspath $(WINDOWS_BUILD))/bin/versefind.exe $(abspath $(WINDOWS_BUILD))/index-across $(WINE); \
	    status=$$?; \
	  fi; \
	  $(WINE_ENV) $(WINESERVER) -k; exit $$status

# libc++, the standard library of macOS, with clang; no benchmarks there.
test-libcxx:
	$(call need,clang++,clang)
	@echo '#include <string>' | clang++ -stdlib=libc++ -x c++ -fsyntax-only - 2>/dev/null || \
	  { echo "libc++ was not found (Debian: libc++-dev libc++abi-dev)" >&2; exit 1; }
	$(MAKE) test BUILD=build/libcxx CMAKE_ARGS="-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/libcxx.cmake \
	  -DGTEST_FROM_SOURCE=ON -DBUILD_BENCHMARKS=OFF"

# ---- install and packages ------------------------------------------------------

# The programs, their manual pages, the README with docs/ and the examples
# under PREFIX (and under DESTDIR, for staging). Every file installed is
# added, with its DESTDIR, to INSTALL_RECORD, which only install and
# uninstall touch: CMake's own install_manifest.txt is rewritten by any
# later install, the one `make package` makes included.
PREFIX ?= /usr/local
INSTALL_RECORD = $(BUILD)/installed_files.txt
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)
	@awk -v destdir="$(if $(DESTDIR),$(abspath $(DESTDIR)))" '{ print destdir $$0 }' \
	  $(BUILD)/install_manifest.txt >> $(INSTALL_RECORD)
	@sort -u -o $(INSTALL_RECORD) $(INSTALL_RECORD)

# Removes what every `make install` from this build folder put in place
# since the last uninstall: the files of INSTALL_RECORD, then the package's
# own folders under share/doc once they are empty. Folders shared with
# other programs (bin/, share/man/man1/) stay.
uninstall:
	@test -f $(INSTALL_RECORD) || \
	  { echo "$(INSTALL_RECORD) was not found: nothing was installed from $(BUILD)" >&2; exit 1; }
	@while IFS= read -r file; do \
	    if [ -e "$$file" ] || [ -L "$$file" ]; then \
	      rm -f "$$file" && echo "removed $$file" || exit 1; \
	    fi; \
	  done < $(INSTALL_RECORD); \
	  sed -n 's|^\(.*/share/doc/versefind-heapsort\)/.*|\1|p' $(INSTALL_RECORD) | sort -u | \
	  while IFS= read -r dir; do \
	    if [ -d "$$dir" ]; then \
	      find "$$dir" -depth -type d -empty -print -delete | sed 's/^/removed /'; \
	    fi; \
	  done
	@rm -f $(INSTALL_RECORD)

# A Debian package of the same, installed under /usr.
package: build
	cd $(BUILD) && cpack -G DEB
	@echo "The package: $$(ls $(BUILD)/*.deb)"

# A .zip of the Windows programs with the README and the examples.
package-windows: windows
	cd $(WINDOWS_BUILD) && cpack -G ZIP
	@echo "The package: $$(ls $(WINDOWS_BUILD)/*.zip)"

MAN_PAGES = versefind/versefind.1 heapsort/heapsort.1
lint-man:
	$(call need,mandoc,mandoc)
	@found="$$(mandoc -T lint -W style $(MAN_PAGES) 2>&1)"; \
	  if [ -n "$$found" ]; then echo "$$found"; exit 1; fi; \
	  echo "mandoc finds nothing in $(MAN_PAGES)"

clean:
	rm -rf $(BUILD)
