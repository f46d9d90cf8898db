#pragma once
// The "Style - Events" editor: a cursor that steps through the note-ons of the play window byte by byte
// (a byte 0x9n followed by a note and a velocity above 0 is a note-on; data bytes are below 0x80, so a
// status byte is never mistaken), and the edits of the note found: velocity, note, clear, and the undo
// of the last change or clear. Main thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "styles/style_creator.h"

namespace kalo::styles {

struct EditorNote {
  int32_t Offset = 0;  // of the note-on's status byte
  int Channel = 0;
  int Note = 0;
  int Velocity = 0;
  friend bool operator==(const EditorNote&, const EditorNote&) = default;
};

// The display panel's text for a note: its octave number (note div 12), a blank, its name ("5 C").
std::string EditorNoteText(int note);

class StyleEventEditor {
 public:
  explicit StyleEventEditor(TGen& gen) : gen_(gen) {}

  // Opening the editor: the cursor goes to the play window's start (the current offset while the
  // Style-Creator plays).
  void Open();
  // The next / previous note-on of `channel` (all channels for −1) whose channel is not muted, inside
  // the play window; nullopt (the cursor stays) when there is none.
  std::optional<EditorNote> Next(int channel, const std::array<bool, kChannelCount>& muted);
  std::optional<EditorNote> Previous(int channel, const std::array<bool, kChannelCount>& muted);
  const std::optional<EditorNote>& Current() const { return current_; }

  // The slider while stopped: the note-on's velocity (1..127). False while playing or without a note.
  bool SetVelocity(int velocity);
  // "Change": the note becomes (octave box entry + 1) × 12 + note box entry, in its note-on and in its
  // note-off (the first later message of its channel that is a note-on of the old note with velocity
  // 0, or a note-off of the old note). Nothing while playing.
  std::optional<EditorNote> Change(int noteBox, int octaveBox);
  // "Clear": the note-on's velocity becomes 0, then the cursor moves to the next note.
  std::optional<EditorNote> Clear(int channel, const std::array<bool, kChannelCount>& muted);
  // "Undo": the last change or clear is taken back. False when there is none.
  bool Undo();

 private:
  bool IsNoteOn(int32_t offset, int channel, const std::array<bool, kChannelCount>& muted) const;
  std::optional<EditorNote> NoteAt(int32_t offset);
  int32_t WindowStart() const;
  int32_t WindowEnd() const;

  struct UndoRecord {
    int32_t NoteOn = -1;
    int32_t NoteOff = -1;  // -1: the change found no note-off
    uint8_t OldNote = 0;
    uint8_t OldVelocity = 0;
  };

  TGen& gen_;
  int32_t cursor_ = 0;
  std::optional<EditorNote> current_;
  std::optional<UndoRecord> undo_;
};

}  // namespace kalo::styles
