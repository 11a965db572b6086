# Sourced by the scripts: which Windows architectures this machine builds and
# runs. x64 programs run everywhere; x86 programs run only where the kernel
# runs 32-bit x86 code at all, which some kernels do not (wine32 then fails
# with "Exec format error").

# Asks the machine by running a 92-byte 32-bit x86 Linux program that only exits with 0.
machine_runs_x86() {
  local probe status
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  return $status
}

# The architectures this machine runs.
runnable_arches() {
  if machine_runs_x86; then echo x64 x86; else echo x64; fi
}

# The architectures a script works on: TVM_ARCH when set, else the default given.
selected_arches() {
  case ${TVM_ARCH:-} in
    "") echo "$@" ;;
    x64|x86) echo "$TVM_ARCH" ;;
    *) echo "TVM_ARCH must be x64 or x86, not '$TVM_ARCH'" >&2; return 2 ;;
  esac
}

# Each architecture's build folder (its bin/ is the installed program).
arch_build_dir() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  echo "${TVM_BUILD_DIR:-$root/build}/$1"
}
