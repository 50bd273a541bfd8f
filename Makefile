# The two commands of the README. Both install what is missing (Debian 12, as root).
# ARCH=i686|x86_64 forces an architecture; by default the one this machine can run is used.
.PHONY: all build run test bench dist clean
export ARCH

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
	-for p in build/wineprefix build-x64/wineprefix; do [ -d $$p ] && WINEPREFIX=$$PWD/$$p wineserver -k >/dev/null 2>&1; done; true
	rm -rf build build-x64
