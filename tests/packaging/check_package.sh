#!/bin/sh
# Checks the installation and the Debian package of korvcmp (the programs
# korvcmp, korvcmp-lost and korvcmp-report with their manual pages) from a
# build tree.
#
#   check_package.sh [options] BUILD_DIR
#
#   --install       also install the .deb with dpkg -i, check the installed
#                   program and manual page, then remove it with dpkg -r
#                   (needs root). This is the default when run as root with
#                   CI=true.
#   --no-install    never run dpkg -i.
#   --install-deps  apt-get install the Debian packages below that are missing
#                   (needs root and the package lists: apt-get update).
#   --out DIR       where cpack writes the .deb (default BUILD_DIR/package).
#
# BUILD_DIR must be configured with the top-level CMakeLists.txt; the script
# brings the executable and the compressed manual page up to date itself.
#
# Debian packages needed (Debian 12):
#   cmake        cmake, cpack
#   dpkg-dev     dpkg-shlibdeps, which computes the package's Depends
#                (it pulls in binutils for objdump)
#   man-db       man
#   groff-base   nroff/groff, which man uses to render the page
#   gzip         compression of the manual page
#   a C++ compiler (g++) to build korvcmp at all
#   dpkg and coreutils are part of every Debian system.
#
# Exit status: 0 when every check passed, 1 when a check failed, 2 on a usage
# error or a missing tool. The last line reads "check_package: N passed,
# N failed, N skipped".

# The check functions below are called through check(), cleanup() by trap.
# shellcheck disable=SC2317
set -u

PATH=$PATH:/usr/sbin:/sbin
export LC_ALL=C MANPAGER=cat PAGER=cat MANWIDTH=80
unset MANPATH MANOPT

usage() {
    sed -n '2,14s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

install_mode=auto
install_deps=no
out_dir=
build_dir=
while [ $# -gt 0 ]; do
    case $1 in
        --install) install_mode=yes ;;
        --no-install) install_mode=no ;;
        --install-deps) install_deps=yes ;;
        --out)
            [ $# -ge 2 ] || usage
            out_dir=$2
            shift
            ;;
        -h | --help) usage ;;
        -*) echo "check_package: unknown option $1" >&2; usage ;;
        *)
            [ -z "$build_dir" ] || usage
            build_dir=$1
            ;;
    esac
    shift
done
[ -n "$build_dir" ] || usage

is_root=no
[ "$(id -u)" -eq 0 ] && is_root=yes
if [ "$install_mode" = auto ]; then
    if [ "$is_root" = yes ] && [ "${CI:-}" = true ]; then
        install_mode=yes
    else
        install_mode=no
    fi
fi
if [ "$install_mode" = yes ] && [ "$is_root" = no ]; then
    echo "check_package: --install needs root (dpkg -i)" >&2
    exit 2
fi

# --- tools ----------------------------------------------------------------------
# command:package pairs; dpkg-deb and dpkg come with every Debian system.
required_tools="cmake:cmake cpack:cmake dpkg-deb:dpkg dpkg:dpkg dpkg-shlibdeps:dpkg-dev objdump:binutils man:man-db nroff:groff-base groff:groff-base gzip:gzip"

missing_packages() {
    missing=
    for pair in $required_tools; do
        command -v "${pair%%:*}" >/dev/null 2>&1 || missing="$missing ${pair#*:}"
    done
    # unique, in a stable order
    # shellcheck disable=SC2086
    printf '%s\n' $missing | awk 'NF && !seen[$0]++' | tr '\n' ' '
}

missing=$(missing_packages)
if [ -n "$missing" ] && [ "$install_deps" = yes ]; then
    if [ "$is_root" = no ]; then
        echo "check_package: --install-deps needs root" >&2
        exit 2
    fi
    echo "check_package: installing $missing"
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing || exit 2
    missing=$(missing_packages)
fi
if [ -n "$missing" ]; then
    echo "check_package: missing tools; install them with: apt-get install -y $missing" >&2
    exit 2
fi

# --- bookkeeping ----------------------------------------------------------------
passed=0
failed=0
skipped=0
pass() { passed=$((passed + 1)); echo "ok      $1"; }
fail() { failed=$((failed + 1)); echo "FAILED  $1"; }
skip() { skipped=$((skipped + 1)); echo "skipped $1"; }
check() { # check DESCRIPTION COMMAND...: passes when the command succeeds
    description=$1
    shift
    if "$@"; then pass "$description"; else fail "$description"; fi
}
finish() {
    echo "check_package: $passed passed, $failed failed, $skipped skipped"
    [ "$failed" -eq 0 ] && exit 0
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/korvcmp-package.XXXXXX") || exit 2
installed_by_us=no
cleanup() {
    if [ "$installed_by_us" = yes ]; then
        echo "check_package: removing the korvcmp package installed by this check"
        dpkg -r korvcmp >/dev/null 2>&1
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# The usage text of korvcmp: exit status 0, nothing on standard error, and the
# version and synopsis lines in their places.
usage_ok() { # usage_ok EXECUTABLE
    "$1" -h >"$work/usage.out" 2>"$work/usage.err" || return 1
    [ ! -s "$work/usage.err" ] || return 1
    [ "$(sed -n 2p "$work/usage.out")" = "This is Korvo coverage comparator utility, korvcmp v1.0" ] || return 1
    [ "$(sed -n 20p "$work/usage.out")" = "korvcmp -i1 profile1.txt -i2 profile2.txt -p {output.txt|-}" ] || return 1
    [ "$(sed -n 21p "$work/usage.out")" = "korvcmp -h" ] || return 1
    [ "$(wc -l <"$work/usage.out")" -eq 21 ]
}

# The usage text of korvcmp-report: exit status 0, nothing on standard error,
# and the synopsis naming the program; --version prints the package version.
report_usage_ok() { # report_usage_ok EXECUTABLE
    "$1" -h >"$work/usage.out" 2>"$work/usage.err" || return 1
    [ ! -s "$work/usage.err" ] || return 1
    grep -q 'korvcmp-report -i1 ' "$work/usage.out" || return 1
    "$1" --version >"$work/version.out" 2>"$work/usage.err" || return 1
    [ ! -s "$work/usage.err" ] && grep -qF "$version" "$work/version.out"
}

# The usage text of korvcmp-lost: exit status 0, nothing on standard error,
# and the synopsis on its first two lines.
lost_usage_ok() { # lost_usage_ok EXECUTABLE
    "$1" -h >"$work/usage.out" 2>"$work/usage.err" || return 1
    [ ! -s "$work/usage.err" ] || return 1
    [ "$(sed -n 1p "$work/usage.out")" = "Usage: korvcmp-lost [--new] [--format=FORMAT] [--limit N] [--] [COMPARED_LISTING | -]" ] || return 1
    [ "$(sed -n 2p "$work/usage.out")" = "       korvcmp-lost -h | --version" ]
}

# man renders the page: no warning, and the NAME section names the program.
man_renders() { # man_renders PROGRAM ARGUMENTS-FOR-MAN...
    program=$1
    shift
    man --warnings=w "$@" >"$work/man.out" 2>"$work/man.err" || return 1
    if [ -s "$work/man.err" ]; then
        sed 's/^/        /' "$work/man.err"
        return 1
    fi
    grep -q '^NAME' "$work/man.out" && grep -q "^ *$program - " "$work/man.out"
}

# --- the build tree ---------------------------------------------------------------
if [ ! -f "$build_dir/CMakeCache.txt" ] || [ ! -f "$build_dir/CPackConfig.cmake" ]; then
    echo "check_package: $build_dir is not a configured korvcmp build directory" >&2
    echo "  (cmake -S <source> -B $build_dir)" >&2
    exit 2
fi
build_dir=$(cd "$build_dir" && pwd)
[ -n "$out_dir" ] || out_dir=$build_dir/package

targets="korvcmp korvcmp-lost korvcmp-report"
if grep -q '^KORVCMP_GZIP_EXECUTABLE:FILEPATH=/' "$build_dir/CMakeCache.txt"; then
    targets="$targets korvcmp_manpage"
fi
echo "check_package: building $targets in $build_dir"
# shellcheck disable=SC2086
if ! cmake --build "$build_dir" -j2 --target $targets >"$work/build.log" 2>&1; then
    tail -n 30 "$work/build.log"
    fail "cmake --build (targets $targets)"
    finish
fi

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build_dir/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
echo "check_package: package version $version, architecture $arch"

# --- cmake --install ----------------------------------------------------------------
prefix=$work/prefix
if cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1; then
    pass "cmake --install into a temporary prefix"
else
    sed 's/^/        /' "$work/install.log"
    fail "cmake --install into a temporary prefix"
fi
check "installed bin/korvcmp is executable" test -x "$prefix/bin/korvcmp"
check "installed korvcmp -h prints the usage text" usage_ok "$prefix/bin/korvcmp"
check "installed bin/korvcmp-lost is executable" test -x "$prefix/bin/korvcmp-lost"
check "installed korvcmp-lost -h prints the usage text" lost_usage_ok "$prefix/bin/korvcmp-lost"
check "installed bin/korvcmp-report is executable" test -x "$prefix/bin/korvcmp-report"
check "installed korvcmp-report -h and --version print the usage text and the version" \
    report_usage_ok "$prefix/bin/korvcmp-report"

for program in korvcmp korvcmp-lost korvcmp-report; do
    installed_page=
    for candidate in "$prefix/share/man/man1/$program.1.gz" "$prefix/share/man/man1/$program.1"; do
        if [ -f "$candidate" ]; then
            installed_page=$candidate
            break
        fi
    done
    if [ -n "$installed_page" ]; then
        pass "manual page installed as ${installed_page#"$prefix"/}"
        check "man -l renders the installed manual page of $program" man_renders "$program" -l "$installed_page"
    else
        fail "manual page installed as share/man/man1/$program.1[.gz]"
    fi
done

# --- cpack -G DEB -------------------------------------------------------------------
rm -rf "$out_dir"
mkdir -p "$out_dir" || exit 2
if (cd "$build_dir" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$out_dir") >"$work/cpack.log" 2>&1; then
    pass "cpack -G DEB"
else
    sed 's/^/        /' "$work/cpack.log"
    fail "cpack -G DEB"
    finish
fi

deb=$out_dir/korvcmp_${version}_${arch}.deb
if [ -f "$deb" ]; then
    pass "package file named ${deb##*/}"
else
    fail "package file named korvcmp_${version}_${arch}.deb (found: $(find "$out_dir" -maxdepth 1 -name '*.deb' | tr '\n' ' '))"
    finish
fi

field() { dpkg-deb -f "$deb" "$1"; }
field_is() { [ "$(field "$1")" = "$2" ]; }
check "control: Package is korvcmp" field_is Package korvcmp
check "control: Version is $version" field_is Version "$version"
check "control: Architecture is $arch" field_is Architecture "$arch"
check "control: Section is utils" field_is Section utils
check "control: Maintainer is set" test -n "$(field Maintainer)"
check "control: Description is set" test -n "$(field Description)"
depends=$(field Depends)
echo "        Depends: $depends"
# dpkg-shlibdeps writes versioned dependencies on the C library at least.
has_versioned_libc() { case $depends in *"libc6 (>= "*) return 0 ;; esac; return 1; }
check "control: Depends comes from dpkg-shlibdeps (libc6 with a version)" has_versioned_libc

# Exactly the programs and their manual pages, nothing else.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort >"$work/files"
printf '%s\n' ./usr/bin/korvcmp ./usr/bin/korvcmp-lost ./usr/bin/korvcmp-report \
    ./usr/share/man/man1/korvcmp-lost.1.gz ./usr/share/man/man1/korvcmp-report.1.gz \
    ./usr/share/man/man1/korvcmp.1.gz >"$work/files.expected"
if cmp -s "$work/files" "$work/files.expected"; then
    pass "package holds exactly usr/bin/korvcmp, korvcmp-lost, korvcmp-report and their manual pages"
else
    diff "$work/files.expected" "$work/files" | sed 's/^/        /'
    fail "package holds exactly usr/bin/korvcmp, korvcmp-lost, korvcmp-report and their manual pages"
fi

# The packaged files themselves, unpacked without installing them.
if dpkg-deb -x "$deb" "$work/unpacked"; then
    check "packaged korvcmp -h prints the usage text" usage_ok "$work/unpacked/usr/bin/korvcmp"
    check "packaged korvcmp-lost -h prints the usage text" lost_usage_ok "$work/unpacked/usr/bin/korvcmp-lost"
    check "packaged korvcmp-report -h and --version print the usage text and the version" \
        report_usage_ok "$work/unpacked/usr/bin/korvcmp-report"
    for program in korvcmp korvcmp-lost korvcmp-report; do
        packaged_page=$work/unpacked/usr/share/man/man1/$program.1.gz
        check "packaged manual page of $program is gzip data" gzip -t "$packaged_page"
        check "man -l renders the packaged manual page of $program" man_renders "$program" -l "$packaged_page"
    done
else
    fail "dpkg-deb -x unpacks the package"
fi

# --- dpkg -i, use, dpkg -r ------------------------------------------------------------
if [ "$install_mode" = no ]; then
    skip "dpkg -i / dpkg -r (run as root with --install, or as root with CI=true)"
    finish
fi

status_of() { dpkg-query -W -f '${db:Status-Status}' korvcmp 2>/dev/null; }
before=$(status_of)
if [ -n "$before" ] && [ "$before" != not-installed ] && [ "$before" != config-files ]; then
    skip "dpkg -i: korvcmp is already installed ($before); remove it with dpkg -r korvcmp to run this check"
    finish
fi
for program in korvcmp korvcmp-lost korvcmp-report; do
    if [ -e /usr/bin/$program ]; then
        skip "dpkg -i: /usr/bin/$program exists and belongs to no package; not overwritten"
        finish
    fi
done

if dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    installed_by_us=yes
    pass "dpkg -i ${deb##*/}"
else
    sed 's/^/        /' "$work/dpkg.log"
    # a half-installed package is removed again by the cleanup
    [ -n "$(status_of)" ] && installed_by_us=yes
    fail "dpkg -i ${deb##*/}"
    finish
fi

check "dpkg reports korvcmp installed" test "$(status_of)" = installed
check "korvcmp on PATH is /usr/bin/korvcmp" test "$(command -v korvcmp)" = /usr/bin/korvcmp
check "installed korvcmp -h prints the usage text" usage_ok korvcmp
check "korvcmp-lost on PATH is /usr/bin/korvcmp-lost" test "$(command -v korvcmp-lost)" = /usr/bin/korvcmp-lost
check "installed korvcmp-lost -h prints the usage text" lost_usage_ok korvcmp-lost
check "korvcmp-report on PATH is /usr/bin/korvcmp-report" test "$(command -v korvcmp-report)" = /usr/bin/korvcmp-report
check "installed korvcmp-report -h and --version print the usage text and the version" \
    report_usage_ok korvcmp-report

# Minimal images may tell dpkg to leave out manual pages (path-exclude).
if grep -qs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/*; then
    skip "man korvcmp, korvcmp-lost, korvcmp-report: this system's dpkg configuration excludes /usr/share/man"
else
    for program in korvcmp korvcmp-lost korvcmp-report; do
        check "man -w $program finds /usr/share/man/man1/$program.1.gz" \
            test "$(man -w $program 2>/dev/null)" = /usr/share/man/man1/$program.1.gz
        check "man $program renders the page" man_renders $program $program
    done
fi

if dpkg -r korvcmp >"$work/dpkg.log" 2>&1; then
    installed_by_us=no
    pass "dpkg -r korvcmp"
else
    sed 's/^/        /' "$work/dpkg.log"
    fail "dpkg -r korvcmp"
fi
for program in korvcmp korvcmp-lost korvcmp-report; do
    check "/usr/bin/$program is gone after dpkg -r" test ! -e /usr/bin/$program
    check "/usr/share/man/man1/$program.1.gz is gone after dpkg -r" test ! -e /usr/share/man/man1/$program.1.gz
done

finish
