#!/usr/bin/env bash
# Builds the Windows executables with MinGW-w64 (build-windows/) and proves
# the Windows-only code under Wine:
#   1. every executable imports only Windows' own DLLs, and the programs are
#      built for ASLR and NX;
#   2. the Windows tests (serial port and tavikctl.exe against the processor
#      simulator through mapped COM ports, the installer's real driver store)
#      and the unit tests, and tavikctl.exe serve answering the remote page
#      and a page's WebSocket on a COM port;
#   3. tavikcontrol.exe driven end to end in Wine's virtual desktop under Xvfb
#      (tests/e2e, screenshots in build-windows/e2e-artifacts/): first start,
#      the port chooser, an edit, SYNC TO SOFTWARE, SAVE and LOAD through
#      Wine's file dialogs, a message box, and quitting when it is closed;
#   4. the setup program TavikSetup-<version>.exe installs silently, the
#      installed program starts from its Start-menu shortcut, and the silent
#      uninstall removes the program but not the user's settings.
# Closing line: "windows: N passed, N failed". Needs no network.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh

build=build-windows
host=build-windows-host # Linux build of the simulator
# The cross-built libraries outlive the checkout: a later run on this
# machine, in any clone, reuses them.
deps=${TAVIK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tavik}/windows-deps
lock=/tmp/tavik-build.lock

# Heavy builds take the team's build lock. Run as "flock LOCK scripts/test.sh",
# this script inherits the locked descriptor: then the lock is already ours,
# and opening the file anew to lock it would wait forever.
inherited_lock=
for fd in /proc/$$/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$lock" ] && inherited_lock=${fd##*/}
done
locked() {
    if [ -n "$inherited_lock" ]; then
        flock "$inherited_lock" && "$@"
    else
        flock "$lock" "$@"
    fi
}

started=$(date +%s)
locked scripts/windows-deps.sh "$deps"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake \
        -DTAVIK_WINDOWS_DEPS="$deps/prefix" -DTAVIK_WERROR=ON -Wno-dev >/dev/null
fi
programs=(tavikcontrol tavikctl Olvane)
locked cmake --build "$build" -j2 --target "${programs[@]}" windows-setup tavik_windows_tests tavik_unit_tests find-window
locked scripts/build.sh "$host" plain tavik-sim
echo "Windows build: $(($(date +%s) - started)) s"

passed=0
failed=0
check() { # name, command...: one result of our own
    local name=$1
    shift
    if "$@"; then
        echo "ok   $name"
        passed=$((passed + 1))
    else
        echo "FAIL $name"
        failed=$((failed + 1))
    fi
}

# 1. Imports: a user's machine has nothing but Windows.
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|comctl32|shlwapi|version|winmm|wininet|ws2_32|wsock32|imm32|rpcrt4|setupapi|newdev|cfgmgr32|dxgi|opengl32|uxtheme|dwmapi|msvcrt|crypt32|bcrypt|secur32|iphlpapi|netapi32|userenv|winspool\.drv|api-ms-win-[a-z0-9-]+)\.dll$'
imports_are_system() {
    local exe=$1 dlls
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    printf '%s: %s bytes, imports %s\n' "$(basename "$exe")" "$(stat -c %s "$exe")" "$(echo $dlls)"
    ! grep -Ev "$system_dlls" <<<"$dlls"
}
shipped=("$build/tavikcontrol.exe" "$build/tavikctl.exe" "$build/installer/Olvane.exe")
for exe in "${shipped[@]}" "$build/tests/tavik_windows_tests.exe"; do
    check "imports of $(basename "$exe")" imports_are_system "$exe"
done

# Hardening (cmake/Hardening.cmake): Windows may load each program at a
# random high address (so it must keep its relocations) and never runs data.
# The setup program is left out: Debian's NSIS stub sets the flags but comes
# without relocations, so it always loads at its fixed address.
pe_hardened() {
    local exe=$1 header flags relocations
    header=$(x86_64-w64-mingw32-objdump -p "$exe")
    flags=$(sed -n '/^DllCharacteristics/,/^SizeOf/p' <<<"$header" | grep -Eo '\b[A-Z_]{6,}\b' | tr '\n' ' ')
    relocations=$(sed -n 's/^Entry 5 [0-9a-f]* \([0-9a-f]*\) Base Relocation Directory.*/\1/p' <<<"$header")
    echo "$(basename "$exe"): $flags relocations 0x${relocations:-none}"
    for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
        [[ " $flags " == *" $flag "* ]] || return 1
    done
    [ -n "$relocations" ] && [ $((16#$relocations)) -gt 0 ]
}
for exe in "${shipped[@]}"; do
    check "ASLR (high entropy) and NX in $(basename "$exe")" pe_hardened "$exe"
done

# The file properties: the project's version in each program's version resource.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
has_version_resource() { # exe: the UTF-16 strings "ProductVersion" then the version
    strings -el -n 3 "$1" | grep -A1 -x 'ProductVersion' | tail -n1 | grep -qx "$version"
}
for exe in "${shipped[@]}" "$build/TavikSetup-$version.exe"; do
    check "version $version in the file properties of $(basename "$exe")" has_version_resource "$exe"
done

# 2. A private Wine prefix, its server kept up for the whole run.
work=$root/$build/wine-run
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko installers (no network); no menu entries for Start-menu
# shortcuts in the user's own desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
pids=()
cleanup() {
    wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# One X server for Wine and the smoke run.
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")

mkdir -p "$WINEPREFIX"
wineserver -p # before anything else starts a server that ends with its last client
wineboot -i >/dev/null 2>&1
# Wine links the user's Documents and the like to the home folder: the
# presets saved in these tests stay in the prefix.
for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
done

# Two simulators: one answering normally, one answering its first message
# late. Each gets a COM port; a third name stays unmapped. COM7 leads to
# whatever the end-to-end scenario points the link e2e-port at.
start_simulator() { # output file, options...: started here, not in a subshell, so cleanup knows it
    local out=$1
    shift
    "$host/sim/tavik-sim" --no-announce "$@" >"$out" 2>"$out.log" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.1; done
}
start_simulator "$work/sim-normal" --pace --version 2.7e
start_simulator "$work/sim-late" --pace --delay 1:600
normal_pty=$(head -n1 "$work/sim-normal")
late_pty=$(head -n1 "$work/sim-late")
[ -n "$normal_pty" ] && [ -n "$late_pty" ] || { echo "the simulator did not start" >&2; exit 1; }
# Windows lists the COM ports its drivers registered as devices (Wine
# registers none): COM5 and COM7 are listed as a USB-serial bridge's ports
# would be; COM6 is opened by name only.
ports_reg() {
    local n set='HKEY_LOCAL_MACHINE\System\CurrentControlSet' guid='{86e0d1e0-8089-11d0-9ce4-08003e301f73}'
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM5"="%s"\n"COM6"="%s"\n"COM7"="%s"\n' \
        "$normal_pty" "$late_pty" "$work/e2e-port"
    for n in 5 7; do
        cat <<EOF

[$set\Enum\ROOT\PORTS\000$n]
"ClassGUID"="{4d36e978-e325-11ce-bfc1-08002be10318}"

[$set\Enum\ROOT\PORTS\000$n\Device Parameters]
"PortName"="COM$n"

[$set\Control\DeviceClasses\\$guid\##?#ROOT#PORTS#000$n#$guid]
"DeviceInstance"="ROOT\\\\PORTS\\\\000$n"

[$set\Control\DeviceClasses\\$guid\##?#ROOT#PORTS#000$n#$guid\#\Control]
"Linked"=dword:00000001
EOF
    done
}
ports_reg >"$work/ports.reg"
wine regedit /S "$(winepath -w "$work/ports.reg")"
# The port mapping is read when the server and its device services start.
wineserver -k
wineserver -w
wineserver -p
wine cmd /c exit 0 # brings the device services up again
echo "COM5 -> $normal_pty, COM6 -> $late_pty (late first answer), COM7 -> $work/e2e-port, COM199 unmapped"

export TAVIK_TEST_COM_PORT=COM5 TAVIK_TEST_LATE_COM_PORT=COM6 TAVIK_TEST_UNMAPPED_PORT=COM199
ctest_log=$work/ctest.log
set +e
# Left out: the syntax check, which the Linux builds run.
ctest --test-dir "$build" --output-on-failure -j1 -E 'windows_syntax' 2>&1 | tee "$ctest_log"
set -e
total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$ctest_log" | tail -n1)
ctest_failed=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' "$ctest_log" | tail -n1)
if [ -z "$total" ]; then
    echo "FAIL ctest ran no test"
    failed=$((failed + 1))
else
    # Each test binary is one CTest test: count its cases, and a binary that
    # failed with no failed case (a crash, a time-out) as one failure.
    cases=$build/Testing/Temporary/LastTest.log
    passed=$((passed + $(grep -c '^\[       OK \]' "$cases" || true)))
    cases_failed=$(grep -Ec '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)$' "$cases" || true)
    failed=$((failed + (cases_failed > ctest_failed ? cases_failed : ctest_failed)))
fi
grep -h 'took\|cancelled after' "$build/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u || true

# 2b. tavikctl.exe serve on COM5: the page and a page's WebSocket answered.
serves_the_remote() {
    local out=$work/serve.out
    wine "$build/tavikctl.exe" serve --port COM5 --listen 127.0.0.1:0 >"$out" 2>"$work/serve.log" &
    local serve_pid=$!
    for _ in $(seq 300); do grep -q '^http://' "$out" 2>/dev/null && break; sleep 0.1; done
    local url
    url=$(head -n1 "$out" | tr -d '\r')
    PYTHONPATH=tests/e2e /usr/bin/python3 - "$url" <<'PY'
import re, sys
from wsclient import WebSocket, get
host, port, token = re.fullmatch(r"http://(127\.0\.0\.1):(\d+)/\?token=([0-9a-f]{32})", sys.argv[1]).groups()
assert get(host, int(port), f"/?token={token}")[0] == 200, "the page"
assert get(host, int(port), "/")[0] == 401, "no token"
page = WebSocket(host, int(port), f"/ws?token={token}")
assert page.status == 101 and page.receive_type("state")["connected"], "the state"
page.send_json({"type": "set", "param": "output.2.mute", "value": "on"})
assert page.receive_type("changes")["values"] == {"output.2.mute": "on"}, "the change"
PY
    local status=$?
    kill "$serve_pid" 2>/dev/null
    wait "$serve_pid" 2>/dev/null
    [ $status -eq 0 ] || { echo "url: $url"; cat "$work/serve.log"; }
    return $status
}
check "tavikctl.exe serve answers the page and a WebSocket on COM5" serves_the_remote

# 2c. tavikctl.exe set and get by parameter name on COM5.
sets_and_gets() {
    wine "$build/tavikctl.exe" set output.4.band.2.gain -4.5 output.4.route.C on --port COM5 >/dev/null 2>&1 || return 1
    local got
    got=$(wine "$build/tavikctl.exe" get output.4.band.2.gain output.4.route.C --port COM5 2>/dev/null | tr -d '\r')
    [ "$got" = "$(printf 'output.4.band.2.gain -4.5\noutput.4.route.C on')" ] || { echo "got: $got"; return 1; }
}
check "tavikctl.exe set and get parameters by name on COM5" sets_and_gets

# 3. The program driven as a user drives it, through its window, port
# chooser, Wine's file dialogs and a message box (tests/e2e). Wine and the
# scenario run as the rest of this stage does (root in CI): a Wine prefix
# serves only its owner, and another user's would cost a second prefix.
title="Tavik Serial Control - Disconnected"
smoke=$root/$build/smoke
mkdir -p "$smoke"
check "tavikcontrol.exe driven end to end under Wine" python3 -u tests/e2e/e2e.py \
    --program "$root/$build/tavikcontrol.exe" --simulator "$root/$host/sim/tavik-sim" \
    --artifacts "$root/$build/e2e-artifacts" --wine-port "COM7=$work/e2e-port"
echo "screenshots: $build/e2e-artifacts"

# 4. The setup program, silent, in this prefix.
setup=$build/TavikSetup-$version.exe
echo "$(basename "$setup"): $(stat -c %s "$setup") bytes"
winpath() { wine cmd /c echo "$1" 2>/dev/null | tr -d '\r'; } # a Windows variable's value
installed="$WINEPREFIX/drive_c/Program Files/Orveth/Tavik"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavik'
shortcut_win="$(winpath %ProgramData%)\Microsoft\Windows\Start Menu\Programs\Tavik\Tavik Serial Control.lnk"
shortcut=$(winepath -u "$shortcut_win" 2>/dev/null)
installs_silently() {
    wine "$setup" /S || return 1
    local exe
    for exe in "${shipped[@]}"; do
        cmp -s "$exe" "$installed/$(basename "$exe")" || { echo "$(basename "$exe") not installed"; return 1; }
    done
    [ -f "$installed/Uninstall.exe" ] && [ -f "$shortcut" ] || { echo "no uninstaller or shortcut"; return 1; }
    ls "$installed"
}
check "TavikSetup-$version.exe /S installs into Program Files" installs_silently
registered() {
    local entry
    entry=$(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r') || return 1
    echo "$entry" | grep -E 'DisplayName|DisplayVersion|UninstallString'
    grep -q "DisplayVersion.*REG_SZ *$version\$" <<<"$entry" &&
        grep -Eq 'UninstallString +REG_SZ +"C:\\Program Files\\Orveth\\Tavik\\Uninstall\.exe"' <<<"$entry"
}
check "uninstall entry under Add/Remove Programs" registered

# The installed program, started as the Start menu starts it: its shortcut.
rm -f "$smoke/installed.png"
wine explorer /desktop=installed,1280x800 start "$shortcut_win" >/dev/null 2>&1 &
desktop_pid=$!
installed_window_shown() {
    for _ in $(seq 120); do
        wine "$build/tests/find-window.exe" installed "$title" 2>/dev/null && break
        sleep 0.5
    done
    pgrep -af 'Program Files.Orveth.Tavik.tavikcontrol\.exe'
}
check "the installed tavikcontrol.exe starts from its shortcut" installed_window_shown
sleep 2
import -window root "$smoke/installed.png"
echo "screenshot: $smoke/installed.png"
installed_quits() {
    wine "$build/tests/find-window.exe" installed "$title" close >/dev/null || return 1
    for _ in $(seq 60); do
        pgrep -f 'Program Files.Orveth.Tavik.tavikcontrol\.exe' >/dev/null || return 0
        sleep 0.5
    done
    return 1
}
check "closing the window quits the installed tavikcontrol.exe" installed_quits
kill "$desktop_pid" 2>/dev/null || true

# The user's settings must outlive the program: whatever the program wrote,
# plus a file of the user's own beside it.
settings=$(winepath -u "$(winpath %APPDATA%)\Orveth" 2>/dev/null)
mkdir -p "$settings"
echo "kept by the uninstaller" >"$settings/user-file.txt"
settings_before=$(cd "$settings" && find . -type f -exec sha1sum {} + | sort)
uninstalls_silently() {
    wine "$installed/Uninstall.exe" /S || return 1
    # The uninstaller runs on from a copy of itself in the temporary folder
    # (~nsuA.tmp\Un_A.exe): wait for that copy to end.
    for _ in $(seq 120); do
        [ -e "$installed" ] || pgrep -f 'nsu.\.tmp' >/dev/null || break
        sleep 0.5
    done
    [ ! -e "$installed" ] || { echo "left: $(ls "$installed")"; return 1; }
    [ ! -e "$shortcut" ] || { echo "shortcut left"; return 1; }
    ! wine reg query "$uninstall_key" >/dev/null 2>&1 || { echo "uninstall entry left"; return 1; }
}
check "Uninstall.exe /S removes the program, its shortcut and its entry" uninstalls_silently
settings_kept() {
    echo "$settings_before"
    [ "$(cd "$settings" && find . -type f -exec sha1sum {} + | sort)" = "$settings_before" ]
}
check "uninstalling leaves %APPDATA%\\Orveth alone" settings_kept

echo "Windows part: $(($(date +%s) - started)) s"
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
