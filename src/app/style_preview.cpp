#include "app/style_preview.h"

#include <algorithm>
#include <variant>

#include "app/chart_timeline.h"
#include "engine/sequencer_clock.h"
#include "midi/midi_status.h"
#include "perform/chord_chart.h"
#include "styles/style_records.h"

namespace kalo::app {

int StartTempoOf(int styleTempo) {
  return styleTempo >= engine::kMinFieldTempo && styleTempo <= engine::kMaxFieldTempo ? styleTempo : 120;
}

StylePreview RenderStylePreview(const config::Settings& settings, const host::ProgramFolder& folder,
                                const std::string& path, std::span<const uint8_t> bytes) {
  StylePreview preview;
  config::Settings own = settings;
  own.PlayIntro = false;
  OfflineDriver driver(own, folder);
  Arranger& session = driver.Session();
  if (!driver.LoadStyle(path, bytes)) {
    const std::vector<std::string> messages = driver.Messages();
    preview.Error = messages.empty() ? path + " is not a style that can be played" : messages.back();
    return preview;
  }
  if (!session.Gen().CurrentStyle().Parts[styles::kBasic].Exists()) {
    preview.Error = path + " has no Basic part to play";
    return preview;
  }
  const int beatsPerMeasure = session.Gen().CurrentMetre.MeasureLength / 4;
  auto chart = perform::ParseChordChart(kPreviewChart, beatsPerMeasure);
  if (const auto* error = std::get_if<std::string>(&chart)) {
    preview.Error = *error;
    return preview;
  }
  preview.Tempo = StartTempoOf(session.Gen().CurrentStyle().Header.Tempo);
  session.SetTempo(preview.Tempo);
  preview.Capture =
      driver.Run(ChartTimeline(std::get<perform::ChordChart>(chart), session.Settings(), false));
  preview.Ok = true;
  return preview;
}

PreviewPlayer::PreviewPlayer(std::vector<midi::CapturedMessage> messages,
                             std::vector<midi::TempoChange> tempi, Send send)
    : messages_(std::move(messages)), tempi_(std::move(tempi)), send_(std::move(send)) {
  if (tempi_.empty()) tempi_.push_back({0, 120});
}

double PreviewPlayer::SecondsAt(int64_t tick) const {
  double seconds = 0;
  for (size_t i = 0; i < tempi_.size() && tempi_[i].Tick < tick; ++i) {
    const int64_t to = i + 1 < tempi_.size() ? std::min(tick, tempi_[i + 1].Tick) : tick;
    seconds += static_cast<double>(to - tempi_[i].Tick) * 60.0 / (std::max(tempi_[i].Bpm, 1) * 24.0);
  }
  return seconds;
}

double PreviewPlayer::Seconds() const { return messages_.empty() ? 0 : SecondsAt(messages_.back().Tick); }

bool PreviewPlayer::Advance(double seconds) {
  for (; !stopped_ && next_ < messages_.size() && SecondsAt(messages_[next_].Tick) <= seconds; ++next_) {
    const std::vector<uint8_t>& bytes = messages_[next_].Bytes;
    if (bytes.size() == 3 && bytes[0] >= 0x80 && bytes[0] < 0xF0) {
      const auto channel = static_cast<uint8_t>(bytes[0] & 0x0F);
      const auto kind = static_cast<uint8_t>(bytes[0] & 0xF0);
      channels_ = static_cast<uint16_t>(channels_ | (1u << channel));
      const std::pair<uint8_t, uint8_t> note{channel, bytes[1]};
      auto found = std::find(sounding_.begin(), sounding_.end(), note);
      if (kind == midi::kNoteOn && bytes[2] > 0) {
        if (found == sounding_.end()) sounding_.push_back(note);
      } else if ((kind == midi::kNoteOn || kind == midi::kNoteOff) && found != sounding_.end()) {
        sounding_.erase(found);
      }
    }
    send_(bytes);
  }
  return !stopped_ && next_ < messages_.size();
}

void PreviewPlayer::Stop() {
  if (stopped_) return;
  stopped_ = true;
  for (const auto& [channel, note] : sounding_)
    send_({static_cast<uint8_t>(midi::kNoteOn | channel), note, 0});
  sounding_.clear();
  for (uint8_t channel = 0; channel < 16; ++channel)
    if (channels_ & (1u << channel)) send_({static_cast<uint8_t>(midi::kControlChange | channel), 123, 0});
}

}  // namespace kalo::app
