#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a scratch root with dpkg -x
# and runs the installed programs from there: the tool, the command line against its
# simulated motors (English from the installed translations), and the assistant.
# Usage: scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

version=$(sed -n 's/^project(zktool VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb="$scratch/out/zktool_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb (found: $(find "$scratch/out" -name '*.deb'))"
dpkg -x "$deb" "$scratch/root"
root="$scratch/root"

for f in usr/bin/zktool usr/bin/zktool-cli usr/lib/zktool/retrieval_chatbot.exe usr/lib/zktool/assistant_kb.txt \
         usr/lib/zktool/translations/en_US.qm usr/share/applications/zktool.desktop \
         usr/share/icons/hicolor/256x256/apps/zktool.png usr/lib/udev/rules.d/99-zktool-usbcan.rules; do
    [ -e "$root/$f" ] || fail "$f is not in the package"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6serialbus6 || fail "Depends lacks Qt Serial Bus: $(dpkg-deb -f "$deb" Depends)"

# Installing and removing reload the udev rules, each through its maintainer script; run
# them against a stand-in udevadm that writes down what it was asked.
dpkg-deb -e "$deb" "$scratch/control"
mkdir -p "$scratch/stub"
printf '#!/bin/sh\necho "$*" >>"%s/udevadm.log"\n' "$scratch" >"$scratch/stub/udevadm"
chmod +x "$scratch/stub/udevadm"
for step in "postinst configure" "postrm remove" "postrm purge"; do
    set -- $step
    [ -x "$scratch/control/$1" ] || fail "the package has no executable $1 script"
    : >"$scratch/udevadm.log"
    PATH="$scratch/stub:$PATH" "$scratch/control/$1" "$2" || fail "$step failed"
    grep -q "control --reload-rules" "$scratch/udevadm.log" || fail "$step does not reload the udev rules"
done

# The installed programs run from the scratch root, with a home of their own. As installed
# for real, they cannot write beside themselves (here: a file where their logs folder would
# be), so their logs go to the user's data folder.
export HOME="$scratch/home" QT_QPA_PLATFORM=offscreen
unset DISPLAY XDG_DATA_HOME
touch "$root/usr/lib/zktool/logs"
got=$("$root/usr/bin/zktool" --version)
[ "$got" = "zktool $version" ] || fail "zktool --version said '$got'"
scan=$("$root/usr/bin/zktool-cli" --simulate scan)
[ "$(echo "$scan" | grep -c master)" = 2 ] || fail "zktool-cli --simulate scan found: $scan"
state=$("$root/usr/bin/zktool-cli" --simulate --id 1 enable)
echo "$state" | grep -q "Motor enabled" || fail "no English motor state (translations not found?): $state"
ls "$HOME"/.local/share/zktool/logs/*.log >/dev/null 2>&1 || fail "no log in $HOME/.local/share/zktool/logs"
answer=$(printf 'hello\n' | timeout 10 "$root/usr/lib/zktool/retrieval_chatbot.exe" | head -c 200)
[ -n "$answer" ] || fail "the installed assistant gave no answer"
echo "check-package: $(basename "$deb") installs and runs ($(du -k "$deb" | cut -f1) KiB)"
