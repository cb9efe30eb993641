# Shared by the benchmark scripts (sourced): the work folder and small frames.

# Sets `work` to the folder given as the script's first argument (made when missing), or to a new
# temporary folder removed when the script ends. Call as: use_work_dir "$@"
use_work_dir() {
  if [ $# -ge 1 ]; then
    work="$1"
    mkdir -p "$work"
  else
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
  fi
  work="$(cd "$work" && pwd)"
}

# Python that defines small_frame(): the bytes of a 4 x 2 big-endian DPX frame (2048-byte header).
SMALL_FRAME_PY='
import struct
def small_frame():
    frame = bytearray(2048 + 32)
    struct.pack_into(">II", frame, 0, 0x53445058, 2048)
    struct.pack_into(">II", frame, 772, 4, 2)
    struct.pack_into(">I", frame, 1920, 0xFFFFFFFF)
    return bytes(frame)
'
