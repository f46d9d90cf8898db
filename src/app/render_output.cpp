#include "app/render_output.h"

#include <algorithm>
#include <cctype>

#include "app/synth_settings.h"
#include "config/general_midi_names.h"
#include "host/file_store.h"
#include "midi/backends/synth_render.h"
#include "midi/event_listing.h"
#include "midi/midi_status.h"
#include "midi/standard_midi_file.h"

namespace kalo::app {

namespace {

constexpr int kDrumChannel = 9;
constexpr const char* kWritableTypes =
    "the name must end in .mid or .midi (a Standard MIDI File), or .wav, .flac or .ogg (sound)";

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool WriteEvents(const std::string& path, std::span<const midi::CapturedMessage> messages,
                 const RenderConsole& console) {
  const std::string text = midi::ListEvents(messages);
  if (path == "-") {
    console.Out << text;
    return static_cast<bool>(console.Out.flush());
  }
  // A character device (/dev/null, a terminal) takes the list as it is.
  if (auto error = host::WriteFileOrDevice(path, text)) {
    console.Err << "kalo render: cannot write " << *error << '\n';
    return false;
  }
  return true;
}

bool WriteMidiFile(const std::filesystem::path& path, const RenderedMusic& music,
                   const RenderConsole& console) {
  midi::SmfContent content;
  content.Messages = music.Messages;
  content.Tempos = music.Tempo;
  content.TimeSignatures = music.TimeSignatures;
  content.TrackNames = InstrumentTrackNames(music.Messages);
  content.EndTick = music.EndTick;
  auto encoded = midi::EncodeStandardMidiFile(content);
  if (const auto* error = std::get_if<std::string>(&encoded)) {
    console.Err << "kalo render: cannot write " << host::PrintableName(path) << ": " << *error << '\n';
    return false;
  }
  // The file writer's reasons name the file already.
  if (auto error = host::WriteFileSafely(path, std::get<std::vector<uint8_t>>(encoded))) {
    console.Err << "kalo render: cannot write " << *error << '\n';
    return false;
  }
  return true;
}

midi::AudioFileType AudioTypeOf(RenderFileType type) {
  if (type == RenderFileType::kFlac) return midi::AudioFileType::kFlac;
  if (type == RenderFileType::kOgg) return midi::AudioFileType::kOgg;
  return midi::AudioFileType::kWav;
}

bool WriteSound(const std::filesystem::path& path, RenderFileType type, const RenderedMusic& music,
                const config::Settings& settings, const RenderConsole& console) {
  const midi::SynthOptions synth = SynthOptionsFrom(settings);
  midi::SynthRenderOptions options;
  options.SoundFont = synth.SoundFont;
  options.SoundFontSetting = synth.SoundFontSetting;
  options.SampleRate = kRenderSampleRate;
  options.Type = AudioTypeOf(type);
  const std::string name = host::PrintableText(path.filename().string());  // shown on the terminal
  options.Progress = [&console, &name](double fraction) { console.Progress.Update(name, fraction); };
  const midi::SynthRenderResult result = midi::RenderToAudioFile(music.Messages, music.Tempo, options, path);
  console.Progress.Done();
  if (!result.Error.empty()) {
    console.Err << "kalo render: " << result.Error << '\n';
    return false;
  }
  if (result.Rf64) {
    console.Err << "kalo render: " << path.string()
                << " is longer than a WAV file can hold (4 GiB) and was written as RF64, the WAV format "
                   "without that limit\n";
  }
  if (result.ClippedSamples > 0) {
    console.Err << "kalo render: " << path.string() << ": " << result.ClippedSamples
                << " samples went beyond full scale and were clipped\n";
  }
  return true;
}

}  // namespace

std::optional<RenderFileType> RenderFileTypeOf(const std::filesystem::path& path) {
  const std::string extension = Lowered(path.extension().string());
  if (extension == ".mid" || extension == ".midi") return RenderFileType::kStandardMidiFile;
  if (extension == ".wav") return RenderFileType::kWave;
  if (extension == ".flac") return RenderFileType::kFlac;
  if (extension == ".ogg") return RenderFileType::kOgg;
  return std::nullopt;
}

std::string RenderTargetsProblem(const RenderTargets& targets) {
  if (targets.Events.empty() && targets.Files.empty())
    return "nothing to write; give --events OUT (- for standard output), or -o OUT.mid, OUT.wav, OUT.flac "
           "or OUT.ogg";
  for (const std::filesystem::path& file : targets.Files) {
    if (RenderFileTypeOf(file)) continue;
    const std::string extension = file.extension().string();
    if (extension.empty()) return "cannot tell what to write to " + file.string() + ": " + kWritableTypes;
    return "cannot write " + file.string() + ": KALO does not write " + Lowered(extension) + " files; " +
           kWritableTypes;
  }
  return {};
}

RenderedMusic MusicOf(const OfflineCapture& capture) {
  return {capture.Midiout(), capture.Tempi, capture.TimeSignatures, capture.Ticks};
}

std::array<std::string, 16> InstrumentTrackNames(std::span<const midi::CapturedMessage> messages) {
  std::array<std::string, 16> names;
  names[kDrumChannel] = "Drums";
  for (const midi::CapturedMessage& message : messages) {
    if (message.Bytes.size() != 2 || (message.Bytes[0] & 0xF0) != midi::kProgramChange) continue;
    std::string& name = names[message.Bytes[0] & 0x0F];
    if (name.empty() && message.Bytes[1] < config::kGeneralMidiNames.size())
      name = config::kGeneralMidiNames[message.Bytes[1]];
  }
  return names;
}

bool WriteRenderTargets(const RenderTargets& targets, const RenderedMusic& music,
                        const config::Settings& settings, const RenderConsole& console) {
  bool written = true;
  if (!targets.Events.empty()) written = WriteEvents(targets.Events, music.Messages, console) && written;
  for (const std::filesystem::path& file : targets.Files) {
    const std::optional<RenderFileType> type = RenderFileTypeOf(file);
    if (type == RenderFileType::kStandardMidiFile) {
      written = WriteMidiFile(file, music, console) && written;
    } else if (type) {
      written = WriteSound(file, *type, music, settings, console) && written;
    } else {
      console.Err << "kalo render: " << RenderTargetsProblem({"", {file}}) << '\n';
      written = false;
    }
  }
  return written;
}

bool WriteRenderTargets(const RenderTargets& targets, std::span<const midi::CapturedMessage> messages,
                        std::span<const midi::TempoChange> tempo, const config::Settings& settings,
                        const RenderConsole& console) {
  return WriteRenderTargets(targets, RenderedMusic{messages, tempo, {}, -1}, settings, console);
}

}  // namespace kalo::app
