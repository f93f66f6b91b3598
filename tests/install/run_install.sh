#!/usr/bin/env bash
# The installed program: `cmake --install` of the build tree into a temporary prefix, then the
# installed program (which finds its data through ../share/tavrel, nothing of the build tree)
# builds a copy of the installed sample. Also checks that a build inside the installation folder
# is refused and that nothing at all is written there, and that `--help` and the manual page list
# the same command forms.
#   run_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
tmp=$(mktemp -d /tmp/tavrel-install.XXXXXX)
trap 'rm -rf -- "$tmp"' EXIT
prefix=$tmp/prefix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

data=$prefix/share/tavrel
for f in bin/tavrel share/tavrel/templates/templates.ini share/tavrel/webhelp share/tavrel/context.dat \
         share/tavrel/sample/sample.tvp share/tavrel/sample/sample.docx share/tavrel/zirodev.chm \
         share/tavrel/zirodev/index.html share/applications/org.tavrel.Tavrel.desktop \
         share/metainfo/org.tavrel.Tavrel.metainfo.xml share/mime/packages/org.tavrel.Tavrel.xml \
         share/icons/hicolor/scalable/apps/org.tavrel.Tavrel.svg \
         share/icons/hicolor/16x16/apps/org.tavrel.Tavrel.png share/icons/hicolor/256x256/apps/org.tavrel.Tavrel.png \
         share/man/man1/tavrel.1.gz; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
[ -e "$data/sample/source" ] && fail "the sample's sources are installed"
[ "$(head -c 4 "$data/zirodev.chm" 2>/dev/null)" = "ITSF" ] || fail "zirodev.chm is not a compiled help file"
grep -q "Tavrel for Word Help" "$data/zirodev/index.html" 2>/dev/null || fail "the WebHelp of the own help has not its title"

# A private home, no data folder from the environment: only the installation is used.
home=$tmp/home
mkdir -p "$home/Documents"
run() {
  env -u TAVREL_DATA -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$home" XDG_DOCUMENTS_DIR="$home/Documents" \
    QT_QPA_PLATFORM=offscreen "$prefix/bin/tavrel" "$@"
}
snapshot() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort); }
snapshot >"$tmp/before"

# A project inside the installation folder is refused with advice to copy it.
if run --build "$data/sample/sample.tvp" >"$tmp/inside.log" 2>&1; then
  fail "a build inside the installation folder succeeded"
fi
grep -qi "cop" "$tmp/inside.log" || { cat "$tmp/inside.log" >&2; fail "the refusal does not say to copy the project"; }

work=$tmp/work
mkdir -p "$work"
cp "$data/sample/sample.tvp" "$data/sample/sample.docx" "$work/"
if ! run --build "$work/sample.tvp" >"$tmp/build.log" 2>&1; then
  cat "$tmp/build.log" >&2
  fail "the installed program did not build the copied sample"
fi
[ "$(head -c 4 "$work/HTML help/help.chm" 2>/dev/null)" = "ITSF" ] || fail "no help.chm"
grep -q "<title>Tavrel for Word Sample</title>" "$work/WebHelp/index.html" 2>/dev/null || fail "no WebHelp start page"
[ -f "$work/WebHelp/webhelpcontents.html" ] || fail "no WebHelp contents page"
if command -v soffice >/dev/null || command -v libreoffice >/dev/null; then
  [ "$(head -c 5 "$work/PDF/help.pdf" 2>/dev/null)" = "%PDF-" ] || fail "no PDF"
fi
# The chosen template and the WebHelp scripts came from the installation.
ls "$work/WebHelp" | grep -q '\.js$' || fail "the WebHelp has no scripts from the installation data"

snapshot >"$tmp/after"
diff "$tmp/before" "$tmp/after" >&2 || fail "the installation folder changed while the program ran"

# Every form of the manual page's synopsis is a usage line of --help, and the other way round.
run --help >"$tmp/help.txt" || fail "--help failed"
python3 - "$src/packaging/tavrel.1" "$tmp/help.txt" <<'PY' || fail "--help and the manual page list different forms"
import re, sys
roff = open(sys.argv[1]).read()
synopsis = roff.split('.SH SYNOPSIS', 1)[1].split('.SH ', 1)[0]
forms, words = [], []
def word(line):
    macro, _, rest = line.partition(' ')
    parts = re.findall(r'"[^"]*"|\S+', rest)
    parts = [p.strip('"') for p in parts]
    return ''.join(parts) if macro in ('.RB', '.BR', '.IR', '.RI', '.BI', '.IB') else ' '.join(parts)
for line in synopsis.strip().splitlines():
    if line == '.br':
        forms.append(' '.join(words)); words = []
    elif line.startswith('.'):
        words.append(word(line))
forms.append(' '.join(words))
norm = lambda s: re.sub(r'\s+', ' ', s.replace('\\-', '-').replace('\\fR', '').replace('\\fP', '')).strip()
man = {norm(f) for f in forms}
lines = open(sys.argv[2]).read().split('Usage:', 1)[1].split('\n\n', 1)[0].splitlines()
helpforms = {norm(l) for l in lines if l.strip()}
if man != helpforms:
    print('only in the manual page:', sorted(man - helpforms), file=sys.stderr)
    print('only in --help:', sorted(helpforms - man), file=sys.stderr)
    sys.exit(1)
PY

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed into $prefix, the installed sample built; the installation folder unchanged"
