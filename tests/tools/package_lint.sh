#!/usr/bin/env bash
# Builds the Debian package from the build as `cpack -G DEB` does (into a scratch folder), then
# holds it to what Debian asks of a package: lintian prints no error or warning, the game is in
# /usr/games with its files in /usr/lib/letterfight, the manual page, changelog and copyright
# file are where Debian looks and well-formed, and the control fields say who and what it is.
# Usage: package_lint.sh BUILD_DIR
set -u
build="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}
for tool in cpack lintian dpkg-deb groff python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (see scripts/setup.sh test)"; exit 1; }
done

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB failed"
  exit 1
fi
deb=$(ls "$work"/out/letterfight_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no letterfight_*_amd64.deb made"; exit 1; }
echo "made $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# Errors and warnings fail; informational and pedantic tags do not.
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
grep -v "running with root privileges" "$work/lintian"
grep -q '^[EW]: ' "$work/lintian" && fail "lintian reports errors or warnings"

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -f "$deb" >"$work/control"
root="$work/root"
version=$(dpkg-deb -f "$deb" Version)
[ "$(readlink "$root/usr/games/letterfight")" = ../lib/letterfight/letterfight ] ||
  fail "/usr/games/letterfight is not a relative link to ../lib/letterfight/letterfight"
[ -x "$root/usr/lib/letterfight/letterfight" ] || fail "no executable /usr/lib/letterfight/letterfight"
[ -e "$root/usr/bin/letterfight" ] && fail "the game is in /usr/bin as well as /usr/games"
grep -q '^Section: games$' "$work/control" || fail "the section is not games"
grep -Eq '^Maintainer: .+ <[^@ ]+@[^@ ]+\.[a-z]+>$' "$work/control" || fail "no maintainer address"
grep -q '^Homepage: https://' "$work/control" || fail "no homepage"

# The manual page: section 6, this version, and groff finds nothing to warn about.
page="$root/usr/share/man/man6/letterfight.6.gz"
if [ ! -f "$page" ]; then
  fail "no manual page $page"
else
  zcat "$page" >"$work/letterfight.6"
  groff -ww -man -Tutf8 -z "$work/letterfight.6" 2>"$work/groff.err"
  [ -s "$work/groff.err" ] && { cat "$work/groff.err"; fail "groff -ww warns about the manual page"; }
  grep -q "^\.TH LETTERFIGHT 6 .*\"Letter Fight $version\"" "$work/letterfight.6" ||
    fail "the manual page's title line does not carry section 6 and version $version"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES '"EXIT STATUS"'; do
    grep -q "^\.SH $section" "$work/letterfight.6" || fail "the manual page has no $section section"
  done
fi

# The changelog's newest entry is this version.
log="$root/usr/share/doc/letterfight/changelog.gz"
if [ ! -f "$log" ]; then
  fail "no changelog $log"
else
  top=$(zcat "$log" | head -n 1)
  [ "$top" = "letterfight ($version) unstable; urgency=medium" ] ||
    fail "the changelog's newest entry is '$top', not version $version"
fi

# The copyright file is machine-readable: every Files paragraph has a Copyright and a License,
# every licence named without its text has its own License paragraph, and the files it names
# are where it says.
copyright="$root/usr/share/doc/letterfight/copyright"
if [ ! -f "$copyright" ]; then
  fail "no copyright file $copyright"
elif ! python3 - "$copyright" "$(cd "$(dirname "$0")/../.." && pwd)" <<'EOF'
import os, re, sys
text = open(sys.argv[1], encoding="utf-8").read()
paragraphs = [p for p in re.split(r"\n\s*\n", text.strip()) if p.strip()]
def fields(p):
    out, name = {}, None
    for line in p.splitlines():
        if line[:1] in (" ", "\t"):
            out[name] += "\n" + line
        else:
            name, _, value = line.partition(":")
            out[name] = value.strip()
    return out
parsed = [fields(p) for p in paragraphs]
problems = []
if not parsed[0].get("Format", "").startswith("https://www.debian.org/doc/packaging-manuals/copyright-format/1.0"):
    problems.append("the first paragraph has no copyright-format 1.0 Format field")
named, with_text = set(), set()
for f in parsed[1:]:
    licence = f.get("License", "")
    short = licence.split("\n")[0].strip()
    if "\n" in licence:
        with_text.add(short)
    if "Files" in f:
        if not f.get("Copyright", "").strip():
            problems.append(f"Files: {f['Files']} has no Copyright")
        if not short:
            problems.append(f"Files: {f['Files']} has no License")
        named.add(short)
    elif "License" not in f:
        problems.append("a paragraph that is neither Files nor License: " + paragraphs[parsed.index(f)][:40])
files = [f["Files"] for f in parsed if "Files" in f]
for need in ("*", "arial.ttf"):
    if need not in files:
        problems.append(f"no Files paragraph for {need}")
# arial.ttf is made by the build; every other file named must be in the sources, so that a file
# that moves takes its licence along.
for name in files:
    for path in name.split():
        if path not in ("*", "arial.ttf") and not os.path.exists(os.path.join(sys.argv[2], path)):
            problems.append(f"Files: {path} is not in the sources")
if not any("builtin_font" in name for name in files):
    problems.append("no Files paragraph for the built-in font's data")
for short in sorted(named - with_text):
    problems.append(f"licence {short} is named but its text is nowhere")
if not any(f.get("Files") == "*" and f.get("License", "").startswith("Zlib") for f in parsed):
    problems.append("the project's own files are not under Zlib")
for p in problems:
    print("copyright:", p)
sys.exit(1 if problems else 0)
EOF
then
  fail "the copyright file is not well-formed"
fi
exit $failed
