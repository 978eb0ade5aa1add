#!/usr/bin/env bash
# Makes the bundled sample title set once: 30 s of NTSC test pattern with a
# tone, chapters at 0, 10 and 20 s, authored by dvdauthor into
# $1/VIDEO_TS (default build/sample/VIDEO_TS).
set -euo pipefail
out=${1:-build/sample}
[ -f "$out/VIDEO_TS/VIDEO_TS.IFO" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=30 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=30 \
  -map 0:v -map 1:a -target ntsc-dvd -aspect 4:3 -b:v 4000k -b:a 192k "$work/title.mpg"
cat > "$work/dvd.xml" <<XML
<dvdauthor dest="$work/dvd"><vmgm/><titleset><titles><video format="ntsc"/>
<pgc><vob file="$work/title.mpg" chapters="0:00:00,0:00:10,0:00:20"/></pgc>
</titles></titleset></dvdauthor>
XML
VIDEO_FORMAT=NTSC dvdauthor -x "$work/dvd.xml" >"$work/dvdauthor.log" 2>&1
mkdir -p "$out"
rm -rf "$out/VIDEO_TS"
mv "$work/dvd/VIDEO_TS" "$out/VIDEO_TS"
