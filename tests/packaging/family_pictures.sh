#!/bin/sh
# The pictures of docs/families/ are what docs/families/make-pictures.sh makes with this build's
# pelmora-gen, byte for byte, and the README shows the options of each.
# Usage: family_pictures.sh SOURCE PELMORA_GEN FOLDER
set -eu
source=$1
gen=$2
folder=$3
rm -rf "$folder"
mkdir -p "$folder"
sh "$source/docs/families/make-pictures.sh" "$gen" "$folder"
status=0
for made in "$folder"/*.png; do
  name=$(basename "$made")
  if ! cmp -s "$made" "$source/docs/families/$name"; then
    echo "docs/families/$name is out of date: run docs/families/make-pictures.sh"
    status=1
  fi
done
[ "$(ls "$folder" | wc -l)" -eq "$(ls "$source/docs/families"/*.png | wc -l)" ] ||
  { echo "docs/families/ holds other pictures than make-pictures.sh makes"; status=1; }
# Every "picture NAME OPTIONS" line: the README names the picture and shows its options.
grep '^picture ' "$source/docs/families/make-pictures.sh" | while read -r _ name options; do
  grep -qF "docs/families/$name.png" "$source/README.md" ||
    { echo "README.md does not show docs/families/$name.png"; exit 1; }
  grep -qF -- "$options" "$source/README.md" ||
    { echo "README.md does not show the options of $name: $options"; exit 1; }
done || status=1
exit $status
