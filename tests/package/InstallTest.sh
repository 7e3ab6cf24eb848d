#!/usr/bin/env bash
# Installs the build into a scratch root (DESTDIR) and checks what a package holds: the program
# folder under /opt/carecfg with skin.ini and the help documents beside the executables, the links
# in /usr/bin, the desktop entry and the icon; then runs the installed programs: carecfg-cli
# --help, and the window (offscreen) started and closed by a user who cannot write the program
# folder, which must end normally and leave skin.ini as it was.
#   tests/package/InstallTest.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
fail() { echo "InstallTest: $*" >&2; exit 1; }

DESTDIR="$scratch" cmake --install "$build" --prefix / >/dev/null
folder="$scratch/opt/carecfg"
for f in carecfg carecfg-cli skin.ini Help.rtf Contact.rtf; do
    [ -f "$folder/$f" ] || fail "opt/carecfg/$f is missing"
done
for f in carecfg carecfg-cli; do
    [ -x "$folder/$f" ] || fail "opt/carecfg/$f is not executable"
    [ "$(readlink "$scratch/usr/bin/$f")" = "/opt/carecfg/$f" ] || fail "usr/bin/$f is no link to /opt/carecfg/$f"
done
[ -f "$scratch/usr/share/applications/carecfg.desktop" ] || fail "no desktop entry"
[ -f "$scratch/usr/share/icons/hicolor/scalable/apps/carecfg.svg" ] || fail "no icon"
grep -q '^Exec=/usr/bin/carecfg$' "$scratch/usr/share/applications/carecfg.desktop" || fail "desktop entry runs something else"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$scratch/usr/share/applications/carecfg.desktop" || fail "desktop entry is not valid"
fi

help="$("$folder/carecfg-cli" --help)" || fail "carecfg-cli --help failed"
grep -q "read-settings" <<<"$help" || fail "carecfg-cli --help lists no commands"

# The window, run by someone who cannot write its folder: as root, the user nobody; otherwise the
# folder is made read-only.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "InstallTest: setpriv missing, window check skipped"; exit 0; }
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$scratch/home")
    mkdir -p "$scratch/home" && chown 65534:65534 "$scratch/home"
else
    chmod a-w "$folder"
fi
before="$(sha256sum "$folder/skin.ini")"
out="$(cd "$scratch" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR= CARECFG_CLOSE_AFTER_STARTUP=1 \
    timeout 60 "${as_user[@]}" "$folder/carecfg" 2>&1)" || fail "the window did not end normally: $out"
grep -q "startup finished" <<<"$out" || fail "the window did not finish its start-up: $out"
[ "$(sha256sum "$folder/skin.ini")" = "$before" ] || fail "skin.ini changed"
chmod u+w "$folder"
echo "InstallTest: installed layout and programs are as expected"
