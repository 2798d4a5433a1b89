#!/usr/bin/env bash
# Prepares a Debian machine for building and testing the installer.
#
# Installs the Debian packages the build needs, then builds the libraries that
# Debian does not ship for MinGW (libcurl with Schannel, jsoncpp, the 7z C
# decoder, GoogleTest) from Debian's own source packages into a cache outside
# the clone. The cache is keyed by source package version, so a fresh clone on
# the same machine reuses it and a second run finishes in seconds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CACHE="${KESTRIMA_DEPS_CACHE:-$HOME/.cache/kestrima-deps}"
ARCHES=(i686 x86_64)
JOBS="$(nproc)"

log() { printf '[bootstrap] %s\n' "$*" >&2; }

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth fonts-wqy-microhei p7zip-full nginx osslsigncode
  python3 libz-mingw-w64-dev libstb-dev googletest cmake make dpkg-dev
  ca-certificates openssl curl file bc x11-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Source packages need a deb-src entry; add one beside the binary entries.
SRC_LIST=/etc/apt/sources.list.d/kestrima-deb-src.sources
need_update=0
if [ ! -f "$SRC_LIST" ]; then
  log "adding deb-src entry"
  $SUDO tee "$SRC_LIST" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi
if ! apt-cache showsrc curl >/dev/null 2>&1 || [ -z "$(apt-cache showsrc curl 2>/dev/null)" ]; then
  need_update=1
fi
if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
  log "apt-get update"
  $SUDO apt-get update -qq
fi
if [ "${#missing[@]}" -gt 0 ]; then
  log "installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The newest source version apt knows; it keys the cache.
src_version() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -1
}

fetch_source() { # name -> prints unpacked folder
  local name="$1" ver="$2" dir="$CACHE/src/$1-$2"
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir" && mkdir -p "$dir"
    log "fetching source of $name $ver"
    (cd "$dir" && apt-get source -qq --only-source "$name=$ver" >/dev/null 2>&1 ||
                  apt-get source -qq "$name=$ver" >/dev/null)
    touch "$dir/.unpacked"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

toolchain() { echo "$ROOT/cmake/toolchain-$1-w64-mingw32.cmake"; }

build_curl() {
  local arch="$1" ver; ver="$(src_version curl)"
  local out="$CACHE/curl-$ver/$arch"
  [ -f "$out/.done" ] && return 0
  local src; src="$(fetch_source curl "$ver")"
  log "building libcurl $ver for $arch"
  local b="$CACHE/build/curl-$arch"; rm -rf "$b"
  cmake -S "$src" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=ON \
    -DZLIB_LIBRARY="/usr/$arch-w64-mingw32/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$arch-w64-mingw32/include" \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF -DCURL_BROTLI=OFF \
    -DCURL_ZSTD=OFF -DUSE_WIN32_IDN=OFF -DENABLE_UNIX_SOCKETS=OFF \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DCURL_DISABLE_FTP=ON -DCURL_DISABLE_TELNET=ON \
    -DCURL_DISABLE_DICT=ON -DCURL_DISABLE_TFTP=ON -DCURL_DISABLE_RTSP=ON -DCURL_DISABLE_POP3=ON \
    -DCURL_DISABLE_IMAP=ON -DCURL_DISABLE_SMTP=ON -DCURL_DISABLE_GOPHER=ON -DCURL_DISABLE_MQTT=ON \
    -DCURL_DISABLE_SMB=ON >"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  cmake --build "$b" -j"$JOBS" >>"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  rm -rf "$out"; cmake --install "$b" >>"$b.log" 2>&1
  touch "$out/.done"; rm -rf "$b"
}

build_jsoncpp() {
  local arch="$1" ver; ver="$(src_version libjsoncpp)"
  local out="$CACHE/jsoncpp-$ver/$arch"
  [ -f "$out/.done" ] && return 0
  local src; src="$(fetch_source libjsoncpp "$ver")"
  log "building jsoncpp $ver for $arch"
  local b="$CACHE/build/jsoncpp-$arch"; rm -rf "$b"
  cmake -S "$src" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
    -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  cmake --build "$b" -j"$JOBS" >>"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  rm -rf "$out"; cmake --install "$b" >>"$b.log" 2>&1
  touch "$out/.done"; rm -rf "$b"
}

build_7z() {
  local arch="$1" ver; ver="$(src_version 7zip)"
  local out="$CACHE/7zdec-$ver/$arch"
  [ -f "$out/.done" ] && return 0
  local src; src="$(fetch_source 7zip "$ver")"
  log "building the 7z C decoder $ver for $arch"
  local b="$CACHE/build/7zdec-$arch"; rm -rf "$b"
  cmake -S "$ROOT/cmake/sevenzip" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -DSEVENZIP_C_DIR="$src/C" >"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  cmake --build "$b" -j"$JOBS" >>"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  rm -rf "$out"; cmake --install "$b" >>"$b.log" 2>&1
  touch "$out/.done"; rm -rf "$b"
}

build_gtest() {
  local arch="$1" ver; ver="$(dpkg-query -W -f='${Version}' googletest)"
  local out="$CACHE/googletest-$ver/$arch"
  [ -f "$out/.done" ] && return 0
  log "building GoogleTest $ver for $arch"
  local b="$CACHE/build/gtest-$arch"; rm -rf "$b"
  cmake -S /usr/src/googletest -B "$b" -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_GMOCK=ON \
    -Dgtest_disable_pthreads=OFF >"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  cmake --build "$b" -j"$JOBS" >>"$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  rm -rf "$out"; cmake --install "$b" >>"$b.log" 2>&1
  touch "$out/.done"; rm -rf "$b"
}

mkdir -p "$CACHE/build" "$CACHE/src"
for arch in "${ARCHES[@]}"; do
  build_gtest "$arch"
  build_7z "$arch"
  build_jsoncpp "$arch"
  build_curl "$arch"
done

# Tell the build where each library lives.
{
  echo "# Written by scripts/bootstrap.sh"
  echo "set(KESTRIMA_CURL_ROOT \"$CACHE/curl-$(src_version curl)\")"
  echo "set(KESTRIMA_JSONCPP_ROOT \"$CACHE/jsoncpp-$(src_version libjsoncpp)\")"
  echo "set(KESTRIMA_7ZDEC_ROOT \"$CACHE/7zdec-$(src_version 7zip)\")"
  echo "set(KESTRIMA_GTEST_ROOT \"$CACHE/googletest-$(dpkg-query -W -f='${Version}' googletest)\")"
} >"$CACHE/deps.cmake.tmp"
mv "$CACHE/deps.cmake.tmp" "$CACHE/deps.cmake"
log "ready: $CACHE/deps.cmake"
