# The two commands of the README, `make demo` and `make test`, and `make fuzz`.
SHELL := /bin/bash
PRESETS := native sanitize win64 win32
TESTED := native sanitize win64
export WINEPREFIX := $(CURDIR)/build/win64/wine
export WINEDEBUG := -all

# Fuzzing: each target FUZZ_SECONDS long, one after another, one worker.
FUZZ_SECONDS ?= 120
FUZZ_TARGETS := tag_read tag_roundtrip http_answer request_head settings

.PHONY: test demo fuzz soak deps build $(addprefix build-,$(PRESETS)) wine-prefix clean

deps:
	@scripts/install-deps

build: deps $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%:
	@cmake --preset $* >/dev/null
	@cmake --build --preset $*

# A wine prefix is made once (about ten seconds); the tests then start in about a second.
wine-prefix: deps
	@[ -f $(WINEPREFIX)/system.reg ] || (mkdir -p $(WINEPREFIX) && /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1; /usr/lib/wine/wineserver -w)
	@# As Windows does, the window's font borrows what it lacks (Japanese) from a linked font.
	@grep -q 'wqy-microhei' $(WINEPREFIX)/system.reg || (/usr/lib/wine/wine64 reg add \
	  'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v 'MS Sans Serif' \
	  /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null; /usr/lib/wine/wineserver -w)

test: build wine-prefix
	@failed=0; \
	for preset in $(TESTED); do \
	  rm -f build/$$preset/test-results/*.xml build/$$preset/ctest-junit.xml; \
	  echo "== $$preset tests"; \
	  run="ctest --preset $$preset --output-junit $(CURDIR)/build/$$preset/ctest-junit.xml"; \
	  if [ $$preset = win64 ]; then run="xvfb-run -a $$run"; fi; \
	  $$run || failed=1; \
	done; \
	scripts/summarize-tests $(addprefix build/,$(TESTED)) && [ $$failed = 0 ]

demo: build wine-prefix
	@scripts/demo

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j2
	@scripts/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# 2,000 submissions through the stand-in player (about eight minutes); not part of `make test`.
soak: deps build-win64 wine-prefix
	@xvfb-run -a /usr/bin/python3 tests/soak/soak_test.py build/win64/tools/standin-player/standin-player.exe build/win64/gen_quillon.dll

clean:
	rm -rf build
