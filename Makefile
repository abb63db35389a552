# The two commands: `make run` and `make test`. Each installs what is missing first.
JOBS ?= $(shell nproc)
GENERATOR := -G Ninja

.PHONY: run test setup build build-test package format check-format clean fuzz

run: build
	./build/app/vindra

test: build-test package check-format
	cd build-test && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	    ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

setup:
	scripts/setup

# Only the application and what it links: a newcomer's window should not wait for the tests,
# benchmarks and fuzz targets, which `make test` builds in its own tree.
build: setup
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$(JOBS) --target vindra

build-test: setup
	cmake -S . -B build-test $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	    -DVINDRA_SANITIZE=ON -DVINDRA_WERROR=$(if $(CI),ON,OFF)
	cmake --build build-test -j$(JOBS)

# The Debian package build-package/vindra_<version>_<arch>.deb: its own Release tree, built with
# Debian's hardening flags (without -g: the binaries are stripped) and only what the package ships.
DEB_FLAGS = $(shell DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get $(1))
package: setup
	cmake -S . -B build-package $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DVINDRA_BUILD_TESTS=OFF \
	    -DCMAKE_CXX_FLAGS="$(filter-out -g,$(call DEB_FLAGS,CPPFLAGS) $(call DEB_FLAGS,CXXFLAGS))" \
	    -DCMAKE_EXE_LINKER_FLAGS="$(call DEB_FLAGS,LDFLAGS)"
	cmake --build build-package -j$(JOBS) --target package

# libFuzzer runs of the parsers (clang tree build-fuzz/), FUZZ_SECONDS per target. New inputs
# go to build-fuzz/corpus/<target>; the seeds in fuzz/corpus/ are only read.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = dns_message txt_record mdns_engine dns_answer http_head
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVINDRA_FUZZ=ON
	cmake --build build-fuzz -j$(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	for target in $(FUZZ_TARGETS); do \
	    mkdir -p build-fuzz/corpus/$$target && \
	    build-fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        build-fuzz/corpus/$$target fuzz/corpus/$$target || exit 1; \
	done

SOURCES = $(shell git ls-files --cached --others --exclude-standard '*.cpp' '*.h')

format:
	clang-format -i $(SOURCES)

check-format: setup
	@clang-format --dry-run --Werror $(SOURCES) && echo "clang-format: clean"

clean:
	rm -rf build build-test build-package
