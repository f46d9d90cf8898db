#pragma once
// Hearing a style before choosing it: eight bars of Basic over a short chord cycle and a fill,
// played offline through the same session code as a render, then either written by the render's
// output step or played in real time to a MIDI output by a PreviewPlayer (what the Style-Manager
// plays when no MIDI output is open). Main thread.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/offline_driver.h"
#include "config/settings.h"
#include "host/program_folder.h"
#include "midi/captured_message.h"

namespace kalo::app {

// I VI IV V twice on Basic, then a measure of I on the fill; Stop after it.
inline constexpr const char* kPreviewChart = "C | Am | F | G7 | C | Am | F | G7 | [Fill] C";

struct StylePreview {
  bool Ok = false;
  std::string Error;  // why the style cannot be previewed, when !Ok
  int Tempo = 0;      // the style's tempo, or 120 where it lies outside the tempo field's range
  OfflineCapture Capture;
};

// Plays the style in `bytes` (named `path` in messages) over kPreviewChart at its start tempo with
// `settings` (their control keys and options), without the intro.
StylePreview RenderStylePreview(const config::Settings& settings, const host::ProgramFolder& folder,
                                const std::string& path, std::span<const uint8_t> bytes);

// The tempo a style plays at when nothing else is asked for: its own, or 120 outside 25..250.
int StartTempoOf(int styleTempo);

// Plays captured messages in real time. The owner calls Advance() often (a timer, a loop) with the
// time since the start; every message due by then is sent in order. Stop() silences what sounds.
class PreviewPlayer {
 public:
  using Send = std::function<void(const std::vector<uint8_t>& message)>;

  PreviewPlayer(std::vector<midi::CapturedMessage> messages, std::vector<midi::TempoChange> tempi, Send send);

  // Sends every message due at `seconds`; false once everything has been sent.
  bool Advance(double seconds);
  // The time of the last message.
  double Seconds() const;
  // Sends the note-off of every note still sounding and All Notes Off on every channel that played,
  // then sends nothing more. Safe to call more than once.
  void Stop();

 private:
  double SecondsAt(int64_t tick) const;

  std::vector<midi::CapturedMessage> messages_;
  std::vector<midi::TempoChange> tempi_;
  Send send_;
  size_t next_ = 0;
  bool stopped_ = false;
  std::vector<std::pair<uint8_t, uint8_t>> sounding_;  // (channel, note) switched on and not yet off
  uint16_t channels_ = 0;                              // bit c: channel c played
};

}  // namespace kalo::app
