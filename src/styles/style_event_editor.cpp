#include "styles/style_event_editor.h"

#include <algorithm>

#include "midi/midi_status.h"
#include "perform/chord.h"

namespace kalo::styles {

std::string EditorNoteText(int note) {
  return std::to_string(note / 12) + " " +
         perform::kNoteNames[static_cast<size_t>(perform::PitchClass(note))];
}

int32_t StyleEventEditor::WindowStart() const {
  return gen_.StartOffset >= kNoLimit ? 0 : std::max(0, gen_.StartOffset);
}

int32_t StyleEventEditor::WindowEnd() const {
  const int32_t length = gen_.CurrentStyle().Length();
  return gen_.EndOffset >= kNoLimit ? length : std::clamp(gen_.EndOffset, 0, length);
}

void StyleEventEditor::Open() {
  cursor_ = gen_.Playing ? std::max(0, gen_.CurrentOffset) : WindowStart();
  current_.reset();
}

bool StyleEventEditor::IsNoteOn(int32_t offset, int channel,
                                const std::array<bool, kChannelCount>& muted) const {
  const auto stream = gen_.CurrentStyle().Stream();
  if (offset < 0 || offset + 2 >= static_cast<int32_t>(stream.size())) return false;
  const uint8_t status = stream[static_cast<size_t>(offset)];
  if ((status & 0xF0) != midi::kNoteOn || stream[static_cast<size_t>(offset) + 2] == 0 ||
      stream[static_cast<size_t>(offset) + 2] >= 0x80)
    return false;
  const int c = status & 0x0F;
  return (channel < 0 || c == channel) && !muted[static_cast<size_t>(c)];
}

std::optional<EditorNote> StyleEventEditor::NoteAt(int32_t offset) {
  const auto stream = gen_.CurrentStyle().Stream();
  cursor_ = offset;
  current_ = EditorNote{offset, stream[static_cast<size_t>(offset)] & 0x0F,
                        stream[static_cast<size_t>(offset) + 1], stream[static_cast<size_t>(offset) + 2]};
  return current_;
}

std::optional<EditorNote> StyleEventEditor::Next(int channel, const std::array<bool, kChannelCount>& muted) {
  const int32_t from = current_ ? cursor_ + 1 : std::max(cursor_, WindowStart());
  for (int32_t offset = from; offset < WindowEnd(); ++offset)
    if (IsNoteOn(offset, channel, muted)) return NoteAt(offset);
  return std::nullopt;
}

std::optional<EditorNote> StyleEventEditor::Previous(int channel,
                                                     const std::array<bool, kChannelCount>& muted) {
  for (int32_t offset = std::min(cursor_, WindowEnd()) - 1; offset >= WindowStart(); --offset)
    if (IsNoteOn(offset, channel, muted)) return NoteAt(offset);
  return std::nullopt;
}

bool StyleEventEditor::SetVelocity(int velocity) {
  if (gen_.Playing || !current_) return false;
  gen_.CurrentStyle().Buffer()[static_cast<size_t>(current_->Offset) + 2] =
      static_cast<uint8_t>(std::clamp(velocity, 1, 127));
  current_->Velocity = std::clamp(velocity, 1, 127);
  gen_.CurrentStyle().Modified = true;
  return true;
}

std::optional<EditorNote> StyleEventEditor::Change(int noteBox, int octaveBox) {
  if (gen_.Playing || !current_) return std::nullopt;
  const int note = (std::clamp(octaveBox, 0, 7) + 1) * 12 + std::clamp(noteBox, 0, 11);
  Style& style = gen_.CurrentStyle();
  auto buffer = style.Buffer();
  const int32_t length = style.Length();
  const auto old = static_cast<uint8_t>(current_->Note);
  const auto channel = static_cast<uint8_t>(current_->Channel);
  UndoRecord record{current_->Offset, -1, old, static_cast<uint8_t>(current_->Velocity)};
  for (int32_t offset = current_->Offset + 3; offset + 2 < length; ++offset) {
    const uint8_t status = buffer[static_cast<size_t>(offset)];
    const bool sameNote = buffer[static_cast<size_t>(offset) + 1] == old;
    const bool ending =
        (status == (midi::kNoteOn | channel) && buffer[static_cast<size_t>(offset) + 2] == 0) ||
        status == (midi::kNoteOff | channel);
    if (ending && sameNote) {
      record.NoteOff = offset;
      buffer[static_cast<size_t>(offset) + 1] = static_cast<uint8_t>(note);
      break;
    }
  }
  buffer[static_cast<size_t>(current_->Offset) + 1] = static_cast<uint8_t>(note);
  undo_ = record;
  style.Modified = true;
  return NoteAt(current_->Offset);
}

std::optional<EditorNote> StyleEventEditor::Clear(int channel, const std::array<bool, kChannelCount>& muted) {
  if (gen_.Playing || !current_) return std::nullopt;
  Style& style = gen_.CurrentStyle();
  undo_ = UndoRecord{current_->Offset, -1, static_cast<uint8_t>(current_->Note),
                     static_cast<uint8_t>(current_->Velocity)};
  style.Buffer()[static_cast<size_t>(current_->Offset) + 2] = 0;
  style.Modified = true;
  return Next(channel, muted);
}

bool StyleEventEditor::Undo() {
  if (!undo_) return false;
  auto buffer = gen_.CurrentStyle().Buffer();
  buffer[static_cast<size_t>(undo_->NoteOn) + 1] = undo_->OldNote;
  buffer[static_cast<size_t>(undo_->NoteOn) + 2] = undo_->OldVelocity;
  if (undo_->NoteOff >= 0) buffer[static_cast<size_t>(undo_->NoteOff) + 1] = undo_->OldNote;
  if (current_ && current_->Offset == undo_->NoteOn) NoteAt(undo_->NoteOn);
  undo_.reset();
  return true;
}

}  // namespace kalo::styles
