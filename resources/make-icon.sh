#!/usr/bin/env bash
# Makes resources/vandrel.ico from the source pictures next to this script.
#
# Needs (Debian packages): librsvg2-bin (rsvg-convert), imagemagick (convert), python3.
#   apt-get install librsvg2-bin imagemagick python3
#
# Frames: 16, 32, 48, 64, 72, 96 and 128 pixels, all 32-bit with alpha. The 16-pixel frame is drawn
# from vandrel-16.svg, a pixel-grid redrawing, because the full picture blurs at that size; the
# others come from vandrel.svg. Frames are stored as bitmaps, which every Windows version reads;
# only the sizes in png_sizes are stored PNG-compressed to keep the executable small. Windows XP
# and older cannot read PNG frames, but they never ask for a frame that large.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/vandrel.ico}
sizes=(16 32 48 64 72 96 128)
png_sizes=" 128 "

missing=()
command -v rsvg-convert >/dev/null || missing+=("rsvg-convert (package librsvg2-bin)")
command -v convert >/dev/null || missing+=("convert (package imagemagick)")
command -v python3 >/dev/null || missing+=("python3 (package python3)")
if ((${#missing[@]})); then
    printf 'make-icon.sh needs: %s\n' "${missing[@]}" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

frames=()
for size in "${sizes[@]}"; do
    source=$here/vandrel.svg
    ((size <= 16)) && source=$here/vandrel-16.svg
    rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$source"
    if [[ $png_sizes == *" $size "* ]]; then
        convert "$work/$size.png" -strip png32:"$work/$size.frame"
        frames+=("png:$size:$work/$size.frame")
    else
        convert "$work/$size.png" -depth 8 rgba:"$work/$size.frame"
        frames+=("bmp:$size:$work/$size.frame")
    fi
done

python3 - "$out" "${frames[@]}" <<'PY'
import struct
import sys

def bitmap_frame(size, rgba):
    # Bottom-up BGRA rows, then the AND mask (set where the pixel is fully transparent), each
    # mask row padded to 32 bits. The header's height counts both halves.
    colour = bytearray()
    mask = bytearray()
    mask_row_bytes = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        row = rgba[y * size * 4:(y + 1) * size * 4]
        bits = bytearray(mask_row_bytes)
        for x in range(size):
            r, g, b, a = row[x * 4:x * 4 + 4]
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)

out = sys.argv[1]
images = []
for frame in sys.argv[2:]:
    kind, size, path = frame.split(':', 2)
    size = int(size)
    data = open(path, 'rb').read()
    if kind == 'bmp':
        if len(data) != size * size * 4:
            sys.exit(f'{path}: expected {size}x{size} RGBA pixels')
        data = bitmap_frame(size, data)
    images.append((size, data))

directory = struct.pack('<HHH', 0, 1, len(images))
offset = 6 + 16 * len(images)
body = b''
for size, data in images:
    directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
    body += data
with open(out, 'wb') as f:
    f.write(directory + body)
PY

echo "wrote $out ($(stat -c %s "$out") bytes)"
