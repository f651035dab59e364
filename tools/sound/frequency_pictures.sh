#!/bin/sh
# Spectrogram pictures of every effect and of the first 30 s of the music, for a
# look at what the generator made: tools/sound/frequency_pictures.sh [OUTDIR]
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-/tmp/timberdrive-frequency-pictures}
mkdir -p "$out"
for f in "$root"/data/sfx/*.wav; do
    name=$(basename "$f" .wav)
    sox "$f" -n spectrogram -x 480 -y 257 -z 90 -t "$name" -o "$out/$name.png"
done
render="$out/render_xm"
g++ -O2 -std=c++17 "$here/render_xm.cpp" -o "$render" $(pkg-config --cflags --libs libopenmpt sndfile)
"$render" "$root/music/mossbeat65.xm" "$out/mossbeat65.wav" --seconds 30 >/dev/null
"$render" "$root/music/mossbeat65.xm" "$out/mossbeat65-muted18.wav" --seconds 30 --mute 18 >/dev/null
sox "$out/mossbeat65.wav" -n remix - spectrogram -x 1000 -y 300 -t "mossbeat65, 0-30 s" -o "$out/mossbeat65.png"
sox "$out/mossbeat65-muted18.wav" -n remix - spectrogram -x 1000 -y 300 -t "mossbeat65, 0-30 s, instrument 18 muted" -o "$out/mossbeat65-muted18.png"
echo "pictures in $out"
