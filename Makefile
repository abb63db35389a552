# The two commands: `make run` and `make test`. Each installs what is missing first.
JOBS ?= $(shell nproc)
GENERATOR := -G Ninja

.PHONY: run test setup build build-test format check-format clean

run: build
	./build/app/vindra

test: build-test check-format
	cd build-test && ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

setup:
	scripts/setup

build: setup
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$(JOBS)

build-test: setup
	cmake -S . -B build-test $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	    -DVINDRA_SANITIZE=ON -DVINDRA_WERROR=$(if $(CI),ON,OFF)
	cmake --build build-test -j$(JOBS)

SOURCES = $(shell git ls-files --cached --others --exclude-standard '*.cpp' '*.h')

format:
	clang-format -i $(SOURCES)

check-format: setup
	@clang-format --dry-run --Werror $(SOURCES) && echo "clang-format: clean"

clean:
	rm -rf build build-test
