# Sourced by ./play and ./run-tests: `need PACKAGE...` installs the Debian
# packages that are missing, through apt-get, with sudo when not root. Where
# that cannot be done it names them in one line and stops.

present() {
  case $1 in
    libgtest-dev) [ -e /usr/include/gtest/gtest.h ] || [ -e /usr/local/include/gtest/gtest.h ] ;;
    emscripten) command -v em++ >/dev/null 2>&1 ;;
    nodejs) command -v node >/dev/null 2>&1 ;;
    dpkg-dev) command -v dpkg-shlibdeps >/dev/null 2>&1 ;;
    g++-mingw-w64-x86-64) command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 ;;
    wine64) command -v wine >/dev/null 2>&1 ;;
    *) command -v "$1" >/dev/null 2>&1 ;;
  esac
}

need() {
  local missing=() package sudo=""
  for package in "$@"; do
    present "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1; then sudo=sudo; fi
  if ! command -v apt-get >/dev/null 2>&1 || { [ "$(id -u)" -ne 0 ] && [ -z "$sudo" ]; }; then
    echo "cairn: please install these Debian packages first: ${missing[*]}" >&2
    exit 1
  fi
  echo "cairn: installing ${missing[*]}" >&2
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The npm packages of package-lock.json, installed with npm ci unless they
# already are.
need_npm() {
  [ node_modules/.package-lock.json -nt package-lock.json ] && return 0
  echo "cairn: installing the npm packages of package-lock.json" >&2
  npm ci --no-audit --no-fund --loglevel=error >/dev/null
}

# The web page, built into build-web/.
build_web() {
  need emscripten nodejs npm cmake make
  need_npm
  cmake --preset web >/dev/null
  cmake --build --preset web >/dev/null
}
