#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the layout, starts the installed program
# (offscreen, on a temporary data folder) and builds the Debian package.
set -euo pipefail
build=$(cd "$1" && pwd)
prefix=$(mktemp -d)
data=$(mktemp -d)
pkg=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$prefix" "$data" "$pkg"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

app="$prefix/lib/quillane"
for f in quillane Pelmora virarurov ffprobe config.ini Languages/English.ini Help/English.html \
  Help/Chinese.html; do
  test -e "$app/$f" || { echo "missing: $app/$f"; exit 1; }
done
test -L "$prefix/bin/quillane"
test -f "$prefix/share/applications/quillane.desktop"
test -f "$prefix/share/icons/hicolor/256x256/apps/quillane.png"
"$app/Pelmora" --version >/dev/null
"$app/virarurov" -version | grep -q "ffmpeg version"

# The installed program starts from the link on the PATH and makes its data folder. Its daily
# check for a newer extractor is turned off: a test reaches nothing beyond this machine.
mkdir -p "$data/Quillane"
printf '[Extractor]\nNever=true\n' > "$data/Quillane/Settings.ini"
XDG_DATA_HOME="$data" QT_QPA_PLATFORM=offscreen "$prefix/bin/quillane" start &
pid=$!
for _ in $(seq 1 300); do
  [ -d "$data/Quillane/finished" ] && break
  sleep 0.1
done
test -d "$data/Quillane/downloading" || { echo "no data folder made"; exit 1; }
kill -0 "$pid" || { echo "the installed program did not keep running"; exit 1; }
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""

# Under a Wayland compositor (Weston's headless back-end) it shows its window as well.
if command -v weston >/dev/null; then
  runtime=$(mktemp -d); chmod 700 "$runtime"
  XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=quillane-test \
    --idle-time=0 >/dev/null 2>&1 &
  weston_pid=$!
  for _ in $(seq 1 100); do [ -S "$runtime/quillane-test" ] && break; sleep 0.1; done
  XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=quillane-test WAYLAND_DEBUG=client \
    QT_QPA_PLATFORM=wayland XDG_DATA_HOME="$data" "$prefix/bin/quillane" start \
    2>"$runtime/protocol.log" &
  pid=$!
  for _ in $(seq 1 100); do
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Quillane")' "$runtime/protocol.log" && break
    sleep 0.1
  done
  shown=0
  grep -q 'xdg_toplevel@[0-9]*\.set_title("Quillane")' "$runtime/protocol.log" && shown=1
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
  kill "$weston_pid"; wait "$weston_pid" 2>/dev/null || true
  rm -rf "$runtime"
  [ "$shown" = 1 ] || { echo "no window under Weston"; exit 1; }
fi

# The Debian package names Debian's extractor, converter and Qt packages.
(cd "$build" && cpack -G DEB -B "$pkg" >/dev/null)
deb=$(ls "$pkg"/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for d in yt-dlp ffmpeg libqt6widgets6; do
  case "$depends" in *"$d"*) ;; *) echo "Depends lacks $d: $depends"; exit 1;; esac
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for r in fonts-noto-cjk fonts-noto-color-emoji; do
  case "$recommends" in *"$r"*) ;; *) echo "Recommends lacks $r: $recommends"; exit 1;; esac
done
dpkg-deb -c "$deb" > "$pkg/contents.txt"
grep -q "./usr/lib/quillane/quillane$" "$pkg/contents.txt"
grep -q "./usr/bin/quillane -> ../lib/quillane/quillane" "$pkg/contents.txt"
echo "install: 1 passed, 0 failed"
