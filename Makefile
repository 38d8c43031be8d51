# OrvoFTP — build, test and run on Debian 12.
#   make run    installs what is missing, builds, starts the client against a local demo server
#   make test   installs what is missing, builds, runs every test suite
#   make install / make uninstall   PREFIX=/usr/local by default; DESTDIR= stages elsewhere
#   make package                    the Debian package $(BUILD)/orvoftp_<version>_<arch>.deb
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local

# Debian packages the build, the tests and the benchmarks need.
PACKAGES := build-essential cmake ninja-build pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core \
	libgtest-dev libgmock-dev googletest libbenchmark-dev \
	python3 python3-pyftpdlib python3-openssl vsftpd dante-server lftp curl openssl libssl-dev \
	dbus dbus-daemon libglib2.0-bin libcanberra-dev iproute2 passwd procps \
	desktop-file-utils appstream man-db dpkg-dev file libxml2-utils
FUZZ_PACKAGES := clang libclang-rt-14-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test run fuzz bench clean install uninstall package

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	else echo "All packages present."; fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: deps build
	tools/run-demo.sh $(BUILD)

# The desktop's handler index (x-scheme-handler/ftp) is refreshed for a real install only;
# a staged one (DESTDIR) leaves that to the packaging.
REFRESH_DESKTOP_DB = if [ -z "$(DESTDIR)" ] && [ -d "$(PREFIX)/share/applications" ] && \
	  command -v update-desktop-database > /dev/null; then \
	  update-desktop-database -q "$(PREFIX)/share/applications" || true; fi

# Install and package build only what they ship, not the tests.
SHIPPED_TARGETS := orvoftp orvo_manpage

install: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target $(SHIPPED_TARGETS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip
	@$(REFRESH_DESKTOP_DB)

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DBUILD_DIR="$(BUILD)" -DPREFIX="$(PREFIX)" -P dist/uninstall.cmake
	@$(REFRESH_DESKTOP_DB)
	@cache="$(DESTDIR)$(PREFIX)/share/applications/mimeinfo.cache"; \
	  if [ "$$(cat "$$cache" 2>/dev/null)" = "[MIME Cache]" ]; then rm -f "$$cache"; fi

package: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target $(SHIPPED_TARGETS)
	cd $(BUILD) && cpack -G DEB
	@ls -1 $(BUILD)/orvoftp_*.deb

fuzz:
	$(MAKE) deps EXTRA_PACKAGES="$(FUZZ_PACKAGES)"
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORVO_FUZZ=ON -DORVO_BUILD_TESTS=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz_targets

bench: deps build
	@ls bench/*.sh | while read b; do echo "== $$b"; $$b $(BUILD) || exit 1; done

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz
