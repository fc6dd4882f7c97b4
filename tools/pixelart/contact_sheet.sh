#!/usr/bin/env bash
# Makes a contact sheet of the generated frames and icons for review (needs
# ImageMagick): contact_sheet.sh [BUILD_DIR] [OUTPUT.png]
#   rows 1-2  the program's frames 1-6 at four times their size, then at their
#             real size on a light, a blue and a dark desktop
#   row 3     icons 200, 201, 202 and the test skin's 201, 202 at four times,
#             then at the 16 x 16 of the notification area (real size): the
#             picture drawn for 16 pixels, or the 32-pixel one scaled down
#   row 4     the test skin's frames at four times their size
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build/host}"
out="${2:-$root/build/art/contact.png}"
art="$build/src/resources/art"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$(dirname "$out")"
key='#C8C0FF'
frames=(frame1_rest frame2_pleased frame3_letter frame4_crying frame5_thinking frame6_letter_wide)

# Frames with the key made transparent, over a desktop colour.
on() { convert "$1" -transparent "$key" -background "$2" -flatten "$3"; }

for set in main skin; do
    dir="$art"
    [ "$set" = skin ] && dir="$art/skin_test"
    big=()
    for f in "${frames[@]}"; do
        on "$dir/$f.bmp" '#E8E8E8' "$tmp/$set-$f.png"
        big+=("$tmp/$set-$f.png")
    done
    convert "${big[@]}" -bordercolor '#E8E8E8' -border 2 +append -scale 400% "$tmp/$set-big.png"
done
for bg in '#FFFFFF' '#3A6EA5' '#202020'; do
    row=()
    for f in "${frames[@]}"; do
        on "$art/$f.bmp" "$bg" "$tmp/small-$f.png"
        row+=("$tmp/small-$f.png")
    done
    convert "${row[@]}" -bordercolor "$bg" -border 4 +append "$tmp/real-${bg#\#}.png"
done
convert "$tmp/real-FFFFFF.png" "$tmp/real-3A6EA5.png" "$tmp/real-202020.png" -append "$tmp/real.png"

icons=("$art/icon200_rest.ico" "$art/icon201_smile.ico" "$art/icon202_letter.ico"
       "$art/skin_test/icon201_smile.ico" "$art/skin_test/icon202_letter.ico")
big=()
tray=()
# The index of the icon's image WIDTH pixels wide, if it has one.
image_of() { identify -format '%w %p\n' "$1" | awk -v w="$2" '$1 == w {print $2; exit}'; }
for i in "${!icons[@]}"; do
    large="$(image_of "${icons[$i]}" 32)"
    small="$(image_of "${icons[$i]}" 16)"
    convert "${icons[$i]}[${large:-0}]" -background '#3A6EA5' -flatten "$tmp/icon$i.png"
    if [ -n "$small" ]; then
        convert "${icons[$i]}[$small]" -background '#3A6EA5' -flatten "$tmp/tray$i.png"
    else
        convert "${icons[$i]}[${large:-0}]" -resize 16x16 -background '#3A6EA5' -flatten "$tmp/tray$i.png"
    fi
    big+=("$tmp/icon$i.png")
    tray+=("$tmp/tray$i.png")
done
convert "${big[@]}" -bordercolor '#3A6EA5' -border 2 +append -scale 400% "$tmp/icons.png"
convert "${tray[@]}" -bordercolor '#3A6EA5' -border 2 +append "$tmp/tray.png"

convert -background white "$tmp/main-big.png" "$tmp/real.png" \
    \( "$tmp/icons.png" "$tmp/tray.png" -gravity north +append \) "$tmp/skin-big.png" \
    -gravity north -splice 0x8 -gravity west -append "$out"
echo "$out"
