# make run   - install what is missing, build, run the demo headless in scratch/demo
# make test  - install what is missing, build, run every test
# make gui   - start the desktop program on a scratch copy of the demo
# make bench - run the benchmarks (they print figures)
# make fuzz  - build the libFuzzer harnesses with clang and run each for FUZZ_SECONDS
# make deb   - build the Debian package velquin_<version>_amd64.deb in the build folder

BUILD   ?= build
SCRATCH ?= scratch
PACKAGES := g++ make cmake ninja-build pkg-config libgtest-dev libcli11-dev \
            qtbase5-dev libqwt-qt5-dev libqt5svg5-dev fonts-dejavu-core \
            dpkg-dev desktop-file-utils \
            libtomlplusplus-dev nettle-dev slurm-wlm munge libboost-math-dev qemu-user locales \
            libeigen3-dev libpagmo-dev libdeflate-dev

FUZZ_PACKAGES := clang libclang-rt-dev
FUZZ_SECONDS ?= 60
COMMA_LOCALES := de_DE fr_FR

.PHONY: setup build demo-copy run test gui bench deb fuzz clean

setup:
	@missing=""; \
	for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  $$sudo apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y --no-install-recommends $$missing; \
	fi
	@# The files must not depend on the user's locale: the tests read and write
	@# them under two whose decimal point is a comma, and skip where these
	@# cannot be generated.
	@for l in $(COMMA_LOCALES); do \
	  locale -a 2>/dev/null | grep -qix "$$l.utf-\?8" && continue; \
	  sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  echo "Generating the locale $$l.UTF-8 for the tests"; \
	  $$sudo localedef -i $$l -f UTF-8 $$l.UTF-8 || echo "Cannot generate $$l.UTF-8; the tests under it are skipped"; \
	done

build: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD)

# A fresh copy of the demo, so that a run never touches the shipped files.
demo-copy:
	rm -rf $(SCRATCH)/demo
	mkdir -p $(SCRATCH)
	cp -r examples/demo $(SCRATCH)/demo
	mkdir -p $(SCRATCH)/demo/result

run: build demo-copy
	$(BUILD)/app/velquin-cli run -C $(SCRATCH)/demo
	@sh tools/demo-summary.sh $(SCRATCH)/demo/result

# The core's tests run twice: in the release build, and without the desktop
# program under AddressSanitizer and UndefinedBehaviorSanitizer, which also
# checks that an unoptimised build writes the same golden bytes.
test: build
	cd $(BUILD) && ctest --output-on-failure -j2
	cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELQUIN_GUI=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
	cmake --build $(BUILD)-sanitize
	cd $(BUILD)-sanitize && ctest --output-on-failure -j2

gui: build demo-copy
	cd $(SCRATCH)/demo && $(CURDIR)/$(BUILD)/app/velquin

bench: build
	@for b in $(BUILD)/bench/*/bench_*; do [ -x "$$b" ] && echo "== $$b" && "$$b"; done

deb: build
	cd $(BUILD) && cpack

# The harnesses and the core they read with are built by clang with
# AddressSanitizer and UndefinedBehaviorSanitizer; each runs over a copy of
# its seed corpus in fuzz/corpus, so the corpus in the tree stays short.
fuzz:
	@$(MAKE) --no-print-directory setup PACKAGES="$(PACKAGES) $(FUZZ_PACKAGES)"
	CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELQUIN_GUI=OFF -DVELQUIN_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
	cmake --build $(BUILD)-fuzz --target fuzz_number fuzz_inputs fuzz_result_line fuzz_summaries fuzz_descriptions fuzz_facts fuzz_compressed
	@for t in number inputs result_line summaries descriptions facts compressed; do \
	  rm -rf $(BUILD)-fuzz/corpus-$$t && cp -r fuzz/corpus/$$t $(BUILD)-fuzz/corpus-$$t && \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s" && \
	  $(BUILD)-fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -dict=fuzz/result.dict $(BUILD)-fuzz/corpus-$$t || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz $(SCRATCH)
