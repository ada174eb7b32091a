#!/usr/bin/env bash
# Makes the demo voice pack: one French prompt per sound file, spoken by espeak-ng.
#
#   scripts/make-demo-pack.sh DIR
#
# Done once: when DIR/.complete exists the script does nothing. The pack is built in
# a temporary folder beside DIR and renamed into place at the end, so an interrupted
# run never leaves half a pack behind.
#
# What the pack holds, on purpose:
#   - most prompts as .ogg (Vorbis, mono 22050 Hz), some as .mp3, one as .mp2, some as .wav
#     (PCM 16-bit mono 22050 Hz);
#   - four prompts missing (3rdRight, AhFerry, RbExit6, Yards), so their buttons show grey;
#   - three files with other names (essai.mp3, bonjour.wav, "Ma prise 2.mp3") to try
#     assigning a file to a prompt and converting it to Ogg.
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi

# Absolute path from here on, so no file name handed to a tool can look like an option.
dest=${1%/}
[ -n "$dest" ] || dest=/
case $dest in
  /*) ;;
  *) dest="$PWD/$dest" ;;
esac

if [ -e "$dest/.complete" ]; then
  exit 0
fi

if [ -e "$dest" ]; then
  if [ -d "$dest" ] && [ -z "$(ls -A -- "$dest")" ]; then
    rmdir -- "$dest"
  else
    echo "$0: $dest exists but is not a finished demo pack; remove it first" >&2
    exit 1
  fi
fi

for tool in espeak-ng sox oggenc lame twolame; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$0: $tool is missing (run scripts/install-deps.sh)" >&2
    exit 1
  fi
done

parent=$(dirname -- "$dest")
mkdir -p -- "$parent"
tmp=$(mktemp -d -- "$dest.partial.XXXXXX")
cleanup() { rm -rf -- "$tmp"; }
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

work="$tmp/.work"
mkdir -- "$work"

# speak OUTPUT TEXT: writes OUTPUT (name ends in .ogg, .mp3, .mp2 or .wav) speaking TEXT.
speak() {
  local out=$1 text=$2
  local raw="$work/raw.wav" pcm="$work/pcm.wav"
  espeak-ng -v fr -s 150 -w "$raw" -- "$text"
  # Mono, 22050 Hz, 16-bit; a little silence at both ends so no prompt starts clipped. Not
  # compressed: its peaks stand as far above its loudness as a real voice's do.
  sox -q "$raw" -r 22050 -c 1 -b 16 -e signed-integer "$pcm" norm -3 pad 0.05 0.05
  case $out in
    *.ogg) oggenc -Q -b 40 -o "$out" "$pcm" ;;
    *.mp3) lame --quiet -m m -b 48 "$pcm" "$out" ;;
    *.mp2) twolame --quiet -m m -b 48 "$pcm" "$out" ;;
    *.wav) cp -- "$pcm" "$out" ;;
    *)
      echo "$0: unknown extension in $out" >&2
      return 1
      ;;
  esac
  rm -f -- "$raw" "$pcm"
}

# SampleId|extension|spoken text (two-line labels joined by one space).
# An empty extension leaves the prompt missing from the pack.
count=0
while IFS='|' read -r id ext text; do
  [ -n "$id" ] || continue
  if [ -n "$ext" ]; then
    speak "$tmp/$id.$ext" "$text"
    count=$((count + 1))
  fi
done <<'EOF'
After|ogg|Après
50|wav|50
80|ogg|80
100|mp3|100
200|ogg|200
300|ogg|300
400|ogg|400
500|mp3|500
600|ogg|600
700|ogg|700
800|ogg|800
Meters|ogg|Mètres
Arrive|wav|Vous êtes arrivé
TurnRight|ogg|Tournez à droite
2ndLeft|ogg|Prenez la deuxième à gauche
2ndRight|ogg|Prenez la deuxième à droite
3rdLeft|mp3|Prenez la troisième à gauche
3rdRight||Prenez la troisième à droite
AhExit|ogg|Sortie imminente
AhExitLeft|ogg|Sortie à gauche imminente
AhExitRight|ogg|Sortie à droite imminente
AhFerry||Tout droit, prenez le ferry
AhKeepLeft|ogg|Tout droit, tenez la gauche
AhKeepRight|ogg|Tout droit, tenez la droite
AhLeftTurn|ogg|Virage à gauche imminent
AhRightTurn|ogg|Virage à droite imminent
AhUTurn|ogg|Demi-tour imminent
BearLeft|ogg|Allez à gauche
BearRight|ogg|Allez à droite
Charge|wav|Bouchon
Depart|mp2|Départ
KeepLeft|ogg|Tenez la gauche
KeepRight|ogg|Tenez la droite
LnLeft|ogg|Restez à gauche
LnRight|ogg|Restez à droite
MwEnter|mp3|Prenez l'autoroute
MwExit|ogg|Prenez la sortie
MwExitLeft|ogg|Prenez la sortie à gauche
MwExitRight|ogg|Prenez la sortie à droite
RbBack|ogg|Faites le tour du rond-point
RbCross|ogg|Sortez en face
RbExit1|ogg|Première sortie
RbExit2|ogg|Deuxième sortie
RbExit3|ogg|Troisième sortie
RbExit4|ogg|Quatrième sortie
RbExit5|ogg|Cinquième sortie
RbExit6||Sixième sortie
RbLeft|ogg|Au rond-point, tournez à gauche
RbRight|mp3|Au rond-point, tournez à droite
RoadEnd|ogg|Au bout de la rue
SharpLeft|ogg|Tournez immédiatement à gauche
SharpRight|ogg|Tournez immédiatement à droite
Straight|wav|Allez tout droit
TakeFerry|ogg|Prenez le ferry
Then|ogg|Puis
TryUTurn|ogg|Faites demi-tour dès que possible
TurnLeft|ogg|Tournez à gauche
UTurn|wav|Faites demi-tour
Yards||Yards
EOF

if [ "$count" -ne 55 ]; then
  echo "$0: made $count prompt files, expected 55" >&2
  exit 1
fi

# Files with other names, to assign to a prompt or convert.
speak "$tmp/essai.mp3" "essai"
speak "$tmp/bonjour.wav" "bonjour"
speak "$tmp/Ma prise 2.mp3" "Ma prise deux"

rmdir -- "$work"
touch -- "$tmp/.complete"
chmod 755 -- "$tmp"
if ! mv -T -- "$tmp" "$dest" 2>/dev/null; then
  # Another run may have finished the same pack meanwhile.
  if [ -e "$dest/.complete" ]; then
    exit 0
  fi
  echo "$0: could not move the pack into $dest" >&2
  exit 1
fi
trap - EXIT
echo "Demo voice pack ready in $dest"
