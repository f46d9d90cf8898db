#include "app/style_render.h"

#include <algorithm>

#include "app/render_output.h"
#include "midi/standard_midi_file.h"
#include "styles/style_file.h"

namespace kalo::app {

namespace {

// A style song stops by its STOP or its ending; this is only the bound of a run gone wrong.
constexpr int64_t kTicksAfterStop = 24 * 4 * 64;

}  // namespace

StyleSongRender RenderStyleSong(const config::Settings& settings, const host::ProgramFolder& folder,
                                const styles::Style& style, const styles::StyleSong& song, int tempo) {
  StyleSongRender out;
  config::Settings own = settings;
  own.PlayIntro = song.Intro;
  own.Pad = false;
  OfflineDriver driver(own, folder);
  Arranger& session = driver.Session();
  const auto bytes = styles::SerializeStyleFile(style.Header, song.Parts, style.Stream());
  if (!driver.LoadStyle("style.vxs", bytes)) {
    out.Error = "the style cannot be played";
    for (const std::string& message : driver.Messages()) out.Error += ": " + message;
    return out;
  }
  session.SetTempo(tempo);
  song::Song& target = session.Song();
  target.Chords = song.Chords;
  target.Range.SetFromMeasure(1);
  target.Range.SetToMeasure(song.ToMeasure);
  target.Range.SetRecordStartMeasure(1);
  session.Engine().EndingPressOnce = song.EndingPressOnce;
  Timeline timeline;
  timeline.Do(0, [](Arranger& a) { a.Play(); });
  out.Capture = driver.Run(timeline, kTicksAfterStop);
  if (out.Capture.Cut) out.Error = "the style song did not end by itself";
  return out;
}

std::array<styles::LoadedMeasures, styles::kPartCount> PartsPlayed(const OfflineCapture& capture,
                                                                   int64_t measureTicks) {
  std::array<styles::LoadedMeasures, styles::kPartCount> layout{};
  for (size_t i = 0; i < capture.Parts.size() && measureTicks > 0; ++i) {
    const auto [tick, part] = capture.Parts[i];
    if (part < 0 || part >= styles::kPartCount || layout[static_cast<size_t>(part)].First > 0) continue;
    const int64_t end = i + 1 < capture.Parts.size() ? capture.Parts[i + 1].first : capture.Ticks;
    if (tick % measureTicks != 0 || end <= tick) continue;
    layout[static_cast<size_t>(part)] = {
        static_cast<int16_t>(tick / measureTicks + 1),
        static_cast<int16_t>(std::max(tick / measureTicks + 1, (end + measureTicks / 2) / measureTicks))};
  }
  return layout;
}

std::optional<std::string> WriteStyleSongMidi(const std::filesystem::path& path,
                                              const StyleSongRender& render) {
  // Written as `kalo render` writes its files: the style's metre, instrument-named tracks, every note paired.
  const RenderedMusic music = MusicOf(render.Capture);
  return midi::WriteStandardMidiFile(path, {.Messages = music.Messages,
                                            .Tempos = music.Tempo,
                                            .TimeSignatures = music.TimeSignatures,
                                            .TrackNames = InstrumentTrackNames(music.Messages),
                                            .EndTick = music.EndTick});
}

}  // namespace kalo::app
