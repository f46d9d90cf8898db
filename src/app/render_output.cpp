#include "app/render_output.h"

#include <algorithm>
#include <cctype>

#include "app/synth_settings.h"
#include "host/file_store.h"
#include "midi/backends/synth_render.h"
#include "midi/event_listing.h"
#include "midi/standard_midi_file.h"

namespace kalo::app {

namespace {

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

bool WriteWave(const std::filesystem::path& path, std::span<const midi::CapturedMessage> messages,
               std::span<const midi::TempoChange> tempo, const config::Settings& settings,
               const RenderConsole& console) {
  const midi::SynthOptions synth = SynthOptionsFrom(settings);
  midi::SynthRenderOptions options;
  options.SoundFont = synth.SoundFont;
  options.SoundFontSetting = synth.SoundFontSetting;
  options.SampleRate = kRenderSampleRate;
  const std::string name = host::PrintableText(path.filename().string());  // shown on the terminal
  options.Progress = [&console, &name](double fraction) { console.Progress.Update(name, fraction); };
  const midi::SynthRenderResult result = midi::RenderToWav(messages, tempo, options, path);
  console.Progress.Done();
  if (!result.Error.empty()) {
    console.Err << "kalo render: " << result.Error << '\n';
    return false;
  }
  if (result.ClippedSamples > 0) {
    console.Err << "kalo render: " << path.string() << ": " << result.ClippedSamples
                << " samples went beyond full scale and were clipped\n";
  }
  return true;
}

}  // namespace

std::optional<RenderFileType> RenderFileTypeOf(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".mid" || extension == ".midi") return RenderFileType::kStandardMidiFile;
  if (extension == ".wav") return RenderFileType::kWave;
  return std::nullopt;
}

std::string RenderTargetsProblem(const RenderTargets& targets) {
  if (targets.Events.empty() && targets.Files.empty())
    return "nothing to write; give --events OUT (- for standard output), -o OUT.mid or -o OUT.wav";
  for (const std::filesystem::path& file : targets.Files) {
    if (!RenderFileTypeOf(file))
      return "cannot tell what to write to " + file.string() +
             ": its name must end in .mid (a Standard MIDI File) or .wav (sound)";
  }
  return {};
}

bool WriteRenderTargets(const RenderTargets& targets, std::span<const midi::CapturedMessage> messages,
                        std::span<const midi::TempoChange> tempo, const config::Settings& settings,
                        const RenderConsole& console) {
  bool written = true;
  if (!targets.Events.empty()) written = WriteEvents(targets.Events, messages, console) && written;
  for (const std::filesystem::path& file : targets.Files) {
    const std::optional<RenderFileType> type = RenderFileTypeOf(file);
    if (type == RenderFileType::kStandardMidiFile) {
      if (auto error = midi::WriteStandardMidiFile(file, messages, tempo)) {
        // The file writer's reasons name the file already; the encoder's do not.
        const std::string name = host::PrintableName(file);
        console.Err << "kalo render: cannot write "
                    << (error->starts_with(name) ? *error : name + ": " + *error) << '\n';
        written = false;
      }
    } else if (type == RenderFileType::kWave) {
      written = WriteWave(file, messages, tempo, settings, console) && written;
    } else {
      console.Err << "kalo render: " << RenderTargetsProblem({"", {file}}) << '\n';
      written = false;
    }
  }
  return written;
}

}  // namespace kalo::app
