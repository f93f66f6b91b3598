#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent: it refreshes the
# package lists once, only when something is missing, and is quiet when all is there.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins libgl-dev
  # the template previews
  qt6-webengine-dev qt6-webengine-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  # fuzzing (libFuzzer ships with clang's runtime)
  clang libclang-rt-14-dev
  # document engine
  libzip-dev libpugixml-dev libxml2-dev
  # SVG pictures drawn into the PNG that Word documents carry beside them
  qt6-svg-dev
  # .doc/.rtf/.odt sources, PDF export, EMF/WMF pictures and the fidelity tests of the engine
  libreoffice-writer-nogui libreoffice-draw-nogui
  # PDF catalog edit and checks
  libqpdf-dev qpdf poppler-utils
  # fonts and a display for window tests
  fonts-dejavu fonts-liberation2 fonts-noto-cjk xvfb xauth
  # browser tests of the WebHelp pages (tests/webhelp, run with node)
  chromium
  # compilers that check the shipped context-file presets, and the help compiler
  mono-mcs fp-compiler fp-utils
  # reading compiled help files back (library and its small tools)
  libchm-dev libchm-bin
  # checks of the built-in page templates: HTML validation, rendering, a help viewer
  tidy chromium xchm
  # the hostile-input script: a throwaway user (useradd, setpriv) and its harness
  python3 passwd util-linux
  # a second reader of the written Word documents (their headings, in the writer's tests)
  python3-docx
  # installing and packaging: the Debian package and its checks, the desktop entry, the file
  # type and the AppStream data, the icon's renderer (tools/make_icons.sh), the opener
  dpkg-dev lintian desktop-file-utils appstream shared-mime-info librsvg2-bin xdg-utils
  libfile-mimeinfo-perl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser tests of the WebHelp pages drive Chromium through playwright-core from npm.
if [ -f tests/webhelp/package-lock.json ] && [ ! -d tests/webhelp/node_modules/playwright-core ]; then
  echo "setup: installing the WebHelp test packages"
  (cd tests/webhelp && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
