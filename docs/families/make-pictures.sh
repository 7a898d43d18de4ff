#!/bin/sh
# Draws the pictures of the distribution families in docs/families/ with pelmora-gen: 4000
# rectangles of each family, seed 1. The README shows each command; a test checks that the
# pictures are what this script makes.
# Usage: make-pictures.sh [PELMORA_GEN [FOLDER]]   (default: build/pelmora-gen, this folder)
set -eu
gen=${1:-build/pelmora-gen}
folder=${2:-$(dirname "$0")}

picture() {
  name=$1
  shift
  "$gen" -q -d 2 -w 1000,1000 -n 4000 --high 8,8 -s 1 "$@" -o /dev/null \
    --picture "$folder/$name.png" --size 320x320 --no-grid
}

picture uniform --distribution uniform
picture gauss --distribution gauss --mean 500 --sigma 160
picture skewed --distribution skewed --exponent 1
picture diagonal --distribution diagonal
picture bit --distribution bit
picture sierpinski --distribution sierpinski
picture clustered --distribution clustered
picture parcel --distribution parcel -n 200
