# The two commands a newcomer runs: `make test` and `make run`.
BUILD_DIR ?= build
BENCH_DIR ?= build-bench
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench fuzz tsan mutants mutants-sample mutants-map coverage-build coverage clean

deps:
	@bash scripts/install-deps.sh

# One build serves the tests: warnings are errors and every test runs under
# AddressSanitizer and UndefinedBehaviorSanitizer. Line tables (-g1) are what
# the sanitizers' reports need, at three quarters of the compile time of full
# debugging information; for a debugger session add
# CMAKE_FLAGS='-DCMAKE_CXX_FLAGS_DEBUG="-g -Og"'. The code under test is
# optimised with -Og: a third less compile time than -O1 with the sanitizers
# (the JSON readers' files took twice as long at -O1), while the programs the
# suites start run at nearly the same speed.
configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g1 -Og" -DCMAKE_C_FLAGS_DEBUG="-g1 -Og" \
	  -DTOBRIX_WERROR=ON -DTOBRIX_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The suites wait on servers, child programs and the emulated line more than
# they compute (with one per core the cores were half idle): twice as many
# run at once as there are cores.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 2 )))
test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(TEST_JOBS) --timeout 300

run: deps
	@bash scripts/run.sh

# Benchmarks want an optimised build without sanitizers.
bench: deps
	@cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOBRIX_TESTS=OFF -DTOBRIX_BENCH=ON >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@bash scripts/bench.sh $(BENCH_DIR)

# Every fuzz target built with clang's libFuzzer (ASan + UBSan), each run for
# FUZZ_SECONDS, then a table of what they did. Findings land in
# $(FUZZ_DIR)/findings/<target>/.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz:
	@bash scripts/install-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
	  -DTOBRIX_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh $(FUZZ_DIR)

# The suites that start threads (transport queue and workers, application
# manager jobs and queues, the loop with worker-posted messages, single
# instance, catalogd under concurrent clients on a store file and on
# PostgreSQL, the HTML viewer's page loads), built and run with
# ThreadSanitizer. Any report fails the run; scripts/tsan.supp lists the
# reports that are not ours, each with the reason.
TSAN_DIR ?= build-tsan
TSAN_SUITES ?= net_tests apps_tests store_pipeline_tests ui_loop_platform_tests ui_loop_app_tests catalogd_tests \
  catalogd_pg_tests ui_tests ui_scenes_tests hostile_server_tests htmlview_tests
tsan: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
	  -DTOBRIX_TSAN=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_SUITES)
	@cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) --timeout 300 -L "^($(shell echo $(TSAN_SUITES) | tr ' ' '|'))$$"

# Seeds one fault at a time from scripts/mutants.sample into the test build's
# sources, rebuilds, runs the suites the rebuild touched, puts the file back,
# and writes $(BUILD_DIR)/mutants-report.md. MUTANTS=N runs the first N,
# FOLDER=src,formats only those folders, RESUME=1 goes on from the results a
# stopped run kept. The sample stays fixed so that scores compare; `make mutants-sample` draws it again (MUTANTS, FOLDER, SEED).
# With a map from `make mutants-map` (in $(COV_DIR), made from the same
# sources) each mutant builds and runs only the programs that execute its line.
PYTHON ?= /usr/bin/python3
MUTANT_ARGS = $(if $(MUTANTS),--mutants $(MUTANTS)) $(if $(FOLDER),--folder $(FOLDER))
mutants: build
	@$(PYTHON) scripts/mutants.py run --build $(BUILD_DIR) $(MUTANT_ARGS) $(if $(RESUME),--resume) \
	  $(if $(wildcard $(COV_DIR)/mutants-coverage.json),--coverage $(COV_DIR))

mutants-map: coverage-build
	@$(PYTHON) scripts/mutants.py map --coverage $(COV_DIR)

mutants-sample:
	@$(PYTHON) scripts/mutants.py sample $(MUTANT_ARGS) $(if $(SEED),--seed $(SEED))

# Which lines of the product code the suites execute, in a build without
# sanitizers: $(COV_DIR)/coverage.json and coverage.txt. LABELS="net_tests
# apps_tests" runs only those programs; COVERAGE_BASE=a kept coverage.json
# lists the lines that run executed and this one does not (before cutting a
# suite, keep the json of the suite as it was).
COV_DIR ?= build-cov
coverage-build: deps
	@cmake -S . -B $(COV_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g0 -O0 --coverage" \
	  -DCMAKE_C_FLAGS_DEBUG="-g0 -O0 --coverage" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
	  -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DTOBRIX_WERROR=ON $(CMAKE_FLAGS) >/dev/null

coverage: coverage-build
	@bash scripts/coverage.sh $(COV_DIR) "$(LABELS)" "$(COVERAGE_BASE)"

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(FUZZ_DIR) $(TSAN_DIR) $(COV_DIR)
