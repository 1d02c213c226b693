#!/usr/bin/env bash
# Installs the build into a temporary root and starts the installed console as a new user
# would: it answers --help without a display, opens the location window on the user's own
# directory made on first start, and keeps its settings in that user's configuration folder,
# writing nothing beside itself.
#   test_install.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$root/usr" >/dev/null
usr=$root/usr
for f in bin/qxvconsole bin/qxvdb lib/qxv/_QXVQuillfen.so lib/qxv/ComFormLibs.dll \
         lib/qxv/libqxvplatform.so share/applications/org.qxv.qxvconsole.desktop \
         share/metainfo/org.qxv.qxvconsole.metainfo.xml share/man/man1/qxvconsole.1.gz \
         share/man/man1/qxvdb.1.gz share/doc/qxv/copyright \
         share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/org.qxv.qxvconsole.png; do
  [ -f "$usr/$f" ] || fail "$f is not installed"
done
readelf -d "$usr/bin/qxvconsole" | grep -q "$build" && fail "the console still looks into the build"

home=$root/home
mkdir -p "$home" "$root/runtime"
chmod 700 "$root/runtime"
# A new user: nothing of the caller's environment but the search path.
as_user() { env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$root/runtime" LANG=C.UTF-8 "$@"; }

# Help, the version and a bad command line need no display.
headless() { as_user QT_QPA_PLATFORM=xcb "$@" 2>&1; }
grep -q -- "--pick" <<<"$(headless "$usr/bin/qxvconsole" --help)" || fail "console --help"
grep -qx "qxvconsole [0-9.]*" <<<"$(headless "$usr/bin/qxvconsole" --version)" || fail "console --version"
grep -qx "qxvdb [0-9.]*" <<<"$(headless "$usr/bin/qxvdb" --version)" || fail "qxvdb --version"
status=0
message=$(headless "$usr/bin/qxvconsole" --pick abc) || status=$?
[ "$status" = 2 ] && grep -q '"abc"' <<<"$message" || fail "--pick abc: exit $status, \"$message\""

before=$(find "$usr" | sort)
windows=$(as_user QT_QPA_PLATFORM=offscreen "$usr/bin/qxvconsole" --list-windows)
echo "$windows"
places=$(sed -n 's/^fMain .* tvObjects=\([0-9]*\).*/\1/p' <<<"$windows")
[ "${places:-0}" -gt 1 ] || fail "the location window is not open on a directory"
grep -q "locations.sqlite" <<<"$windows" || fail "the console is not on the user's own directory"
[ -f "$home/.local/share/qxv/qxvconsole/locations.sqlite" ] || fail "no directory in the user's data"
[ -f "$home/.config/qxv/qxvconsole/UserSaves.ini" ] || fail "no settings in the user's configuration"
[ "$(find "$usr" | sort)" = "$before" ] || fail "the console wrote into its installation"
echo "installed console: OK"
