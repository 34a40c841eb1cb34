#!/usr/bin/env bash
# Installs the program into a scratch prefix (cmake --install) or unpacks its .deb there
# (dpkg-deb -x), checks the layout and the desktop files, then starts the installed program
# offscreen from another working folder with a log file named on its command line. A probe
# loaded through Qt's plugin path (tests/packaging/probe) reports what the program showed; the
# brand, chart axis title and guide of the installed copies carry markers that exist nowhere
# else, so seeing them proves the program read share/tarvik.
#
# usage: install_test.sh install|deb <build dir> <probe plugin dir>
set -euo pipefail
mode="$1"
build="$(cd "$2" && pwd)"
probe="$(cd "$3" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root="$scratch/root"
case "$mode" in
    install)
        cmake --install "$build" --prefix "$root/usr" >/dev/null
        ;;
    deb)
        cpack -G DEB -B "$scratch/pkg" --config "$build/CPackConfig.cmake" >"$scratch/cpack.out" 2>&1 ||
            { cat "$scratch/cpack.out"; fail "cpack"; }
        deb=$(ls "$scratch"/pkg/tarvik_*.deb)
        echo "package: $(basename "$deb")"
        [ "$(dpkg-deb -f "$deb" Package)" = tarvik ] || fail "package name"
        [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
        [ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no description"
        depends=$(dpkg-deb -f "$deb" Depends)
        echo "depends: $depends"
        # Computed by dpkg-shlibdeps from the libraries the program links.
        for lib in libqt6widgets6 libqt6charts6 libqt6serialport6 libqt6printsupport6 libqt6sql6 \
                   libqt6sql6-sqlite libc6; do
            [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib"
        done
        if command -v lintian >/dev/null; then
            lintian --no-tag-display-limit "$deb" >"$scratch/lintian.out" 2>&1 || true
            if grep -q '^E:' "$scratch/lintian.out"; then
                cat "$scratch/lintian.out"
                fail "lintian reports errors"
            fi
            echo "lintian: $(grep -c '^[WI]:' "$scratch/lintian.out" || true) warnings/notes, no errors"
        fi
        dpkg-deb -x "$deb" "$root"
        # The computed channels' expression parser is a shared library too: a program that
        # links it must bring it in.
        if objdump -p "$root/usr/bin/tarvik" | grep -q 'NEEDED *libmuparser'; then
            [[ "$depends" == *libmuparser* ]] || fail "Depends lacks libmuparser"
        fi
        ;;
    *) fail "unknown mode $mode" ;;
esac

usr="$root/usr"
for f in bin/tarvik share/tarvik/Tarvik.cfg share/tarvik/Tarvik_Chart.oc2 \
         share/tarvik/Orvenna_Logo.gif share/tarvik/Tarvik_Help.html \
         share/applications/org.tarvik.Tarvik.desktop \
         share/metainfo/org.tarvik.Tarvik.metainfo.xml \
         share/icons/hicolor/48x48/apps/org.tarvik.Tarvik.png \
         share/icons/hicolor/128x128/apps/org.tarvik.Tarvik.png \
         share/icons/hicolor/256x256/apps/org.tarvik.Tarvik.png \
         share/icons/hicolor/scalable/apps/org.tarvik.Tarvik.svg \
         share/man/man1/tarvik.1.gz; do
    [ -e "$usr/$f" ] || fail "not installed: $f"
done
# Nothing of the program's own files lies beside the installed program.
[ "$(ls "$usr/bin")" = tarvik ] || fail "bin holds more than the program: $(ls "$usr/bin")"
desktop-file-validate "$usr/share/applications/org.tarvik.Tarvik.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/org.tarvik.Tarvik.metainfo.xml" >/dev/null ||
    fail "AppStream metadata"
grep -q '^Icon=org.tarvik.Tarvik$' "$usr/share/applications/org.tarvik.Tarvik.desktop" || fail "icon id"
grep -q '<launchable type="desktop-id">org.tarvik.Tarvik.desktop<' \
    "$usr/share/metainfo/org.tarvik.Tarvik.metainfo.xml" || fail "launchable id"
zcat "$usr/share/man/man1/tarvik.1.gz" | grep -q '^\.TH TARVIK 1' || fail "manual page"
"$usr/bin/tarvik" --version | grep -qx 'Tarvik 2.01' || fail "--version of the installed program"

# Markers in the installed copies only.
sed -i 's/^Orvenna$/Installed Brand/' "$usr/share/tarvik/Tarvik.cfg"
sed -i 's/^title = "Elapsed Time (sec)"/title = "Elapsed Time (installed)"/' \
    "$usr/share/tarvik/Tarvik_Chart.oc2"
grep -q 'Installed Brand' "$usr/share/tarvik/Tarvik.cfg" || fail "marking the branding file"
grep -q 'Elapsed Time (installed)' "$usr/share/tarvik/Tarvik_Chart.oc2" || fail "marking the template"

# A log file in another working folder, named relative to it, with a space in its name.
work="$scratch/elsewhere"
mkdir -p "$work" "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
python3 - "$work/run 1.log" <<'PY'
import sys
heads = ["Elapsed Time", "RPM", "VSS", "TPS%", "Input1 Volts", "Input2 Volts", "Bat Volts",
         "Input Data", "Output Data", "Status", "Stage1 PWM%", "Stage2 PWM%"]
lines = ['"Data Logging Interval"', "0.112", ",".join('"%s"' % h for h in heads)]
for i in range(2700):
    lines.append("%.3f,%d,50,12,2.5,1.2,13.8,1,0,1,0,0" % ((i + 1) * 0.112, 3000 + i))
lines += ['"Firmware ID","QX-2 1.4"', '"Orvenna QX-2 Nitrous Controller Data Downloaded","12/08/2026"',
          '"Comment"," "']
open(sys.argv[1], "w", newline="").write("\r\n".join(lines) + "\r\n")
PY

run_probe() {  # run_probe <report>
    (cd "$work" && QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$probe" QT_STYLE_OVERRIDE=tarvikprobe \
        TARVIK_PROBE_REPORT="$1" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/runtime" \
        timeout 90 "$usr/bin/tarvik" "run 1.log" >"$1.out" 2>&1) || status=$?
    echo "--- what the installed program showed"
    cat "$1"
    [ "${status:-0}" -eq 0 ] || fail "the program ended with status $status: $(grep -v propagateSizeHints "$1.out")"
}
expect() {  # expect <report> <line>
    grep -qxF "$2" "$1" || fail "expected the line: $2"
}

report="$scratch/report"
run_probe "$report"
expect "$report" "splash company: Installed Brand"
expect "$report" "splash logo: shown"
expect "$report" "chart axes: Elapsed Time (installed) | RPM | VSS (MPH)"
expect "$report" "caption: Nitrous Data Logging Program Version 2.0 - run 1.log"
expect "$report" "help file: $(readlink -f "$usr/share/tarvik/Tarvik_Help.html")"
expect "$report" "done: yes"
grep -q '^message:' "$report" && fail "the program showed a message box"

if [ "$mode" = install ]; then
    # The files missing from both places: the program says what it says today, and goes on.
    rm "$usr"/share/tarvik/*
    missing="$scratch/report-missing"
    run_probe "$missing"
    expect "$missing" "splash company: Orvenna"
    expect "$missing" "message: Error | The logo file \"Orvenna_Logo.gif\" named in the branding file Tarvik.cfg was not found."
    expect "$missing" "message: Form Load | Chart template file Tarvik_Chart.oc2 not found."
    expect "$missing" "message: Help | The help file could not be found: / $usr/bin/Tarvik_Help.html"
    expect "$missing" "done: yes"
fi
echo "PASS: $mode"
