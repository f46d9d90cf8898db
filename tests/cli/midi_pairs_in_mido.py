# Reads a Standard MIDI File with mido (another reader than the program's) and checks what sequencers
# and notation programs rely on: the time signature METRE (e.g. 6/8) at tick 0, and in every track each
# note-on followed by a later note-off of its key. Exit 0 when it holds, 1 with the problems, 77 (a
# skipped test) where mido is not installed.
#   python3 midi_pairs_in_mido.py FILE METRE
import sys

try:
    import mido
except ImportError:
    sys.exit(77)

path, metre = sys.argv[1], sys.argv[2]
problems = []
song = mido.MidiFile(path)
first = next((m for m in song.tracks[0] if m.type == "time_signature"), None)
if first is None or first.time != 0 or f"{first.numerator}/{first.denominator}" != metre:
    problems.append(f"the first time signature is {first}, not {metre}")
for number, track in enumerate(song.tracks, 1):
    tick, sounding = 0, {}
    for message in track:
        tick += message.time
        if message.type not in ("note_on", "note_off"):
            continue
        key = (message.channel, message.note)
        if message.type == "note_on" and message.velocity > 0:
            if key in sounding:
                problems.append(f"track {number} tick {tick}: key {message.note} struck again without a note-off")
            sounding[key] = tick
        elif key not in sounding:
            problems.append(f"track {number} tick {tick}: a note-off of key {message.note}, not sounding")
        elif sounding.pop(key) == tick:
            problems.append(f"track {number} tick {tick}: key {message.note} lasts no time")
    problems += [f"track {number} tick {t}: key {k[1]} never ends" for k, t in sounding.items()]
print("\n".join(problems[:20]))
sys.exit(1 if problems else 0)
