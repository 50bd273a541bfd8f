# The two commands of the README. Both install what is missing (Debian 12, as root).
.PHONY: all build run test bench dist clean

all: build

build:
	scripts/build.sh

run:
	scripts/run.sh $(RUNARGS)

test:
	scripts/test.sh

bench:
	scripts/bench.sh

dist:
	scripts/dist.sh

clean:
	-scripts/wine-env.sh >/dev/null 2>&1; rm -rf build
