# Sourced by the build, run, test and bench scripts: chooses the architecture this machine can
# run and where its build goes.
#
#   ARCH=i686|x86_64   forces one; otherwise i686 where the kernel runs 32-bit code, x86_64 where not.
#
# Sets ZZ_ARCH, ZZ_ARCH_WHY (one line for the user), ZZ_BUILD (build/ for i686, build-x64/ for
# x86_64, unless ZZ_BUILD is set) and ZZ_TOOLCHAIN. The 32-bit program is the product; the x86_64
# build exists so the suite runs on machines whose kernel refuses 32-bit code.

ZZ_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Runs a 32-bit Linux executable of 96 bytes (exit(42) through int 0x80). Package lists say
# nothing here: a kernel without ia32 emulation refuses it with "Exec format error", and then
# wine32 cannot run either.
zz_kernel_runs_32bit() {
    local probe status
    # In the source tree, whose scripts run anyway: /tmp may be mounted without exec rights.
    probe="$(mktemp "$ZZ_ROOT/.zz-ia32-probe.XXXXXX")" || return 1
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
    # e_type, e_machine, e_version, e_entry, e_phoff, e_shoff, e_flags, sizes and counts
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
    # One loadable segment holding the whole file, read and execute
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
    printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
    # mov eax, 1; mov ebx, 42; int 0x80
    printf '\270\001\000\000\000\273\052\000\000\000\315\200' >>"$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1
    status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

zz_choose_arch() {
    case "${ARCH:-}" in
        i686 | x86_64)
            ZZ_ARCH="$ARCH"
            ZZ_ARCH_WHY="forced by ARCH=$ARCH"
            ;;
        "")
            if zz_kernel_runs_32bit; then
                ZZ_ARCH=i686
                ZZ_ARCH_WHY="this machine runs 32-bit code"
            else
                ZZ_ARCH=x86_64
                ZZ_ARCH_WHY="this machine's kernel refuses 32-bit code (no ia32 emulation)"
            fi
            ;;
        *)
            echo "ARCH must be i686 or x86_64, not '$ARCH'" >&2
            return 2
            ;;
    esac
    export ZZ_ARCH ZZ_ARCH_WHY
}

# Build folder and toolchain of an architecture (default: the chosen one).
zz_build_dir() {
    case "${1:-$ZZ_ARCH}" in
        i686) echo "$ZZ_ROOT/build" ;;
        x86_64) echo "$ZZ_ROOT/build-x64" ;;
    esac
}

zz_toolchain() {
    echo "$ZZ_ROOT/cmake/mingw-${1:-$ZZ_ARCH}.cmake"
}

if [ -z "${ZZ_ARCH:-}" ]; then
    zz_choose_arch || return $?
fi
ZZ_BUILD="${ZZ_BUILD:-$(zz_build_dir)}"
ZZ_TOOLCHAIN="$(zz_toolchain)"
export ZZ_BUILD
