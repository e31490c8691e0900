#!/usr/bin/env bash
# Renders the reference phrase (examples/reference.mid) with every factory sound
# into build/gallery/NAME.flac, measures each render and draws the gallery: one
# picture of spectrograms, docs/sounds.png, and the table of figures with the list
# of sounds on standard output and in build/gallery/figures.md, both for README's
# "Sounds" section.
# Fails when a sound's loudness leaves -21 +- 1.5 LUFS, a peak passes -1 dBFS or
# two sounds measure alike.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh gallery
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target zephyrant-render
render=build/release/zephyrant-render
gallery=build/gallery
rm -rf "$gallery"
mkdir -p "$gallery" docs

renders=()
while IFS=$'\t' read -r name _; do
    file="$gallery/$name.flac"
    "$render" examples/reference.mid --preset "$name" -t 0 -q -o "$file"
    renders+=("$name=$file")
done < <("$render" --list-presets)

# Debian's numpy and matplotlib belong to Debian's Python.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
{
    "$python" scripts/sound-gallery.py --picture docs/sounds.png "${renders[@]}"
    echo
    "$render" --list-presets | sed -E 's/^([^\t]*)\t(.*)$/- **\1**: \2/'
} | tee "$gallery/figures.md"
echo "Picture: docs/sounds.png ($(du -k docs/sounds.png | cut -f1) KB); renders in $gallery/"
