#pragma once
// The visual side effects the engine owes the user. The GUI draws them; the command line ignores or
// prints them; tests record them. Every method has an empty default so that a display shows only
// what it cares about. Colours are 0x00BBGGRR values.

#include <cstdint>
#include <string>
#include <vector>

namespace kalo::host {

class Display {
 public:
  virtual ~Display() = default;
  // The main window's caption.
  virtual void SetCaption(const std::string& /*text*/) {}
  // Whether the chord display panel is visible (ShowReceivedChord writes into it only then).
  virtual bool ChordPanelVisible() const { return false; }
  // Text of the chord display panel.
  virtual void SetChordPanelText(const std::string& /*text*/) {}
  // Background colour of the chord display panel (white when no chord-type override is pending).
  virtual void SetChordPanelColour(uint32_t /*colour*/) {}
  // The beat indicator: colour and text.
  virtual void SetBeatIndicator(uint32_t /*colour*/, const std::string& /*text*/) {}
  // Captions that name the current style: the floating keyboard window's, the Style-Manager window's,
  // the Style-Creator window's, and the main window's style label.
  virtual void SetKeyboardCaption(const std::string& /*text*/) {}
  virtual void SetStyleManagerCaption(const std::string& /*text*/) {}
  virtual void SetStyleCreatorCaption(const std::string& /*text*/) {}
  virtual void SetStyleLabel(const std::string& /*text*/) {}
  // The Style-Creator's position display: measure, ":", beat.
  virtual void SetStyleCreatorPosition(const std::string& /*text*/) {}
  // The beat indicator's colour alone; its text stays.
  virtual void SetBeatIndicatorColour(uint32_t /*colour*/) {}
  // The measure display (the song measure shown beside the beat indicator).
  virtual void SetMeasureText(const std::string& /*text*/) {}
  // The Style-Creator's event list, when shown, moves its cursor to the note-on at this stream offset
  // (the solo channel's notes while they play). Called inside the tick: must not block.
  virtual void SetEventListCursor(int32_t /*offset*/) {}
  // The Style-Creator's running totals of the volume and reverb offset arrows.
  virtual void SetStyleOffsets(int /*volumeTotal*/, int /*reverbTotal*/) {}
};

// Shows nothing.
class NullDisplay final : public Display {};

// Records every call as one line "<Method>: <arguments>", for tests.
class RecordingDisplay : public Display {
 public:
  void SetCaption(const std::string& text) override { Record("Caption", text); }
  bool ChordPanelVisible() const override { return chordPanelVisible_; }
  void SetChordPanelText(const std::string& text) override { Record("ChordPanel", text); }
  void SetChordPanelColour(uint32_t colour) override { Record("ChordPanelColour", Hex(colour)); }
  void SetBeatIndicator(uint32_t colour, const std::string& text) override {
    Record("Beat", Hex(colour) + " " + text);
  }
  void SetKeyboardCaption(const std::string& text) override { Record("KeyboardCaption", text); }
  void SetStyleManagerCaption(const std::string& text) override { Record("StyleManagerCaption", text); }
  void SetStyleCreatorCaption(const std::string& text) override { Record("StyleCreatorCaption", text); }
  void SetStyleLabel(const std::string& text) override { Record("StyleLabel", text); }
  void SetStyleCreatorPosition(const std::string& text) override { Record("StyleCreatorPosition", text); }
  void SetBeatIndicatorColour(uint32_t colour) override { Record("BeatColour", Hex(colour)); }
  void SetMeasureText(const std::string& text) override { Record("Measure", text); }
  void SetStyleOffsets(int volumeTotal, int reverbTotal) override {
    Record("StyleOffsets", std::to_string(volumeTotal) + " " + std::to_string(reverbTotal));
  }

  void SetChordPanelVisible(bool visible) { chordPanelVisible_ = visible; }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The last line recorded for one method, or an empty text.
  std::string Last(const std::string& method) const;
  void Clear() { lines_.clear(); }

 protected:
  void Record(const std::string& method, const std::string& args) { lines_.push_back(method + ": " + args); }
  static std::string Hex(uint32_t value);

 private:
  std::vector<std::string> lines_;
  bool chordPanelVisible_ = false;
};

}  // namespace kalo::host
