// kalo style import | export | repair: the Style-Creator's engine on the command line. Each runs an
// offline session and calls the same Style-Creator commands the window calls.

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/offline_driver.h"
#include "app/render_progress.h"
#include "app/style_creator_side.h"
#include "cli/command_files.h"
#include "cli/commands.h"
#include "cli/program_settings.h"
#include "config/profile_document.h"
#include "host/file_store.h"
#include "host/printable_text.h"
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "host/time_source.h"
#include "styles/keyboard_style_markers.h"
#include "styles/style_file.h"

namespace kalo::cli {
namespace {

struct ImportArgs {
  std::string File;
  std::string Output;
  std::vector<std::string> Parts;
  std::string Chords;
  std::string ChordPer;
  int Convert = -1;  // -1: 0, or 5 with --chords
  int Mode = 4;
  int Sensitivity = 2;
  std::string Metrum;
  std::string Structure;
  std::string Set = "A";
  bool Quick = false;
  int Loop = 4;
  bool Markers = false;
  std::vector<std::string> Keep;
  bool EighthBase = false;
  bool MovePercussion = false;
  bool StandardPercussion = false;
  bool OptimizeTiming = false;
  std::string Ini;
};

struct ExportArgs {
  std::string File;
  std::string Output;
  std::string Part;
  bool NoIntro = false;
  std::string Ini;
};

constexpr std::array<const char*, 8> kChordPerEntries = {"1/4", "1/2", "3/4", "1/1",
                                                         "5/4", "6/4", "7/4", "2/1"};

// A part of the command line: the part names, and "Variation Basic" / "Variation Extended" for the
// fills that repeat as variations.
struct NamedPart {
  int Part = 0;
  bool Variation = false;
};
std::optional<NamedPart> PartNamed(const std::string& name) {
  if (auto part = styles::PartNumberOf(name)) return NamedPart{*part, false};
  if (auto part = styles::PartNumberOf(std::regex_replace(name, std::regex("^[Vv]ariation "), "Fill in ")))
    if (*part == styles::kFillInBasic || *part == styles::kFillInExtended) return NamedPart{*part, true};
  return std::nullopt;
}

std::string PartList() {
  std::string text;
  for (auto name : styles::kPartNames) text += " \"" + std::string(name) + "\"";
  return text + " \"Variation Basic\" \"Variation Extended\"";
}

struct PartRequest {
  NamedPart Part;
  int First = 1;
  int Last = 1;
  int Beat = 1;
};

// "NAME=FIRST-LAST[:BEAT]" or "NAME=FIRST[:BEAT]".
std::variant<PartRequest, std::string> ParsePart(const std::string& text) {
  static const std::regex kForm(R"(^\s*(.+?)\s*=\s*(\d+)(?:\s*-\s*(\d+))?(?:\s*:\s*(\d+))?\s*$)");
  std::smatch match;
  if (!std::regex_match(text, match, kForm))
    return "--part \"" + text +
           "\": write NAME=FIRST-LAST[:BEAT], e.g. \"Basic=5-8\" or \"Fill in Basic=9:3\"";
  const auto part = PartNamed(match[1]);
  if (!part) return "--part \"" + text + "\": no part \"" + match[1].str() + "\"; the parts are" + PartList();
  PartRequest request{*part, std::stoi(match[2]), 0, 1};
  request.Last = match[3].matched ? std::stoi(match[3]) : request.First;
  if (match[4].matched) request.Beat = std::stoi(match[4]);
  if (request.First < 1 || request.Last < request.First || request.Beat < 1 || request.Beat > 6)
    return "--part \"" + text + "\": measures count from 1, the last not before the first; beats 1 to 6";
  return request;
}

std::string Measures(int first, int last) {
  return first == last ? "measure " + std::to_string(first)
                       : "measures " + std::to_string(first) + "-" + std::to_string(last);
}

void PrintPart(const app::PartReport& report, int measureTicks) {
  std::cout << styles::kPartNames[static_cast<size_t>(report.Part)] << ": "
            << Measures(report.First, report.Last);
  if (report.Beat != 1) std::cout << " from beat " << report.Beat;
  if (report.Converted) {
    std::cout << "; " << report.Conversion.NotesConverted << " of " << report.Conversion.NotesSeen
              << " notes converted";
    if (!report.Chords.empty()) std::cout << " from " << styles::DescribeChords(report.Chords, measureTicks);
  }
  std::cout << '\n';
}

// The metre list entry named, e.g. "4/4"; nullopt for another text.
std::optional<int> MetrumNamed(const std::string& name) {
  for (int i = 0; i < config::kMetrumCount; ++i)
    if (name == config::kMetrumNames[i]) return i;
  return std::nullopt;
}

int Fail(const std::string& command, const std::string& text, int code) {
  Say("kalo style " + command, text);
  return code;
}

int RunImport(const ImportArgs& args) {
  std::vector<PartRequest> requests;
  for (const std::string& text : args.Parts) {
    auto parsed = ParsePart(text);
    if (auto* error = std::get_if<std::string>(&parsed)) return Fail("import", *error, 2);
    requests.push_back(std::get<PartRequest>(parsed));
  }
  const int cuts = (requests.empty() ? 0 : 1) + (args.Structure.empty() ? 0 : 1) + (args.Quick ? 1 : 0) +
                   (args.Markers ? 1 : 0);
  if (cuts != 1)
    return Fail("import",
                "say how to cut the parts: --part (one or more), --structure, --quick or "
                "--parts-from-markers (one of them)",
                2);
  if (args.Set != "A" && args.Set != "B") return Fail("import", "--set is A or B", 2);
  std::optional<int> metrum;
  if (!args.Metrum.empty() && !(metrum = MetrumNamed(args.Metrum)))
    return Fail("import", "--metrum \"" + args.Metrum + "\": one of 6/4 5/4 4/4 3/4 2/4 1/4 6/8 2/8 1/8", 2);
  int windowBeats = 4;
  if (!args.ChordPer.empty()) {
    const auto entry = std::find(kChordPerEntries.begin(), kChordPerEntries.end(), args.ChordPer);
    if (entry == kChordPerEntries.end())
      return Fail("import", "--chord-per \"" + args.ChordPer + "\": one of 1/4 1/2 3/4 1/1 5/4 6/4 7/4 2/1",
                  2);
    windowBeats = static_cast<int>(entry - kChordPerEntries.begin()) + 1;
  }

  std::optional<std::string> chordsText;
  if (!args.Chords.empty() && !(chordsText = ArgumentText("kalo style import", args.Chords, "the chords")))
    return 2;
  const std::string output = host::WithFileType(args.Output, ".vxs");
  if (!OutputsUsable("kalo style import",
                     {{args.File, "the MIDI file"}, {args.Structure, "the structure file"}},
                     {{output, false}}))
    return 1;
  const auto bytes =
      ReadWholeInput("kalo style import", args.File, midi::kMaxReadableSmfBytes, "a MIDI file");
  if (!bytes) return 1;
  auto commandSettings = ReadCommandSettings("kalo style import", args.Ini);
  if (!commandSettings) return 1;
  const host::SteadyTimeSource clock;
  app::RenderProgress progress(clock, std::cerr, host::StandardErrorIsTerminal());
  config::Settings settings = commandSettings->Values;
  if (metrum) settings.Metrum = *metrum;
  app::OfflineDriver driver(settings, host::ProgramFolder::OfRunningProgram());
  app::Arranger& session = driver.Session();
  app::StyleCreatorSide& creator = session.Creator();
  creator.Import.DontGetMetrum = metrum.has_value();
  creator.Import.EighthBase = args.EighthBase;
  creator.Import.MovePercussion = args.MovePercussion;
  creator.Import.StandardPercussionOnly = args.StandardPercussion;
  creator.Import.OptimizeTiming = args.OptimizeTiming;
  styles::ConversionSettings& conversion = creator.Conversion;
  conversion.WindowBeats = windowBeats;
  conversion.Mode = styles::kModeValues[static_cast<size_t>(args.Mode - 1)];
  conversion.Sensitivity = styles::kSensitivityValues[static_cast<size_t>(args.Sensitivity - 1)];
  conversion.ConvertMode = args.Convert >= 0 ? args.Convert : args.Chords.empty() ? 0 : 5;
  for (const std::string& keep : args.Keep) {
    if (keep == "intro-ending")
      conversion.SkipIntroEnding = true;
    else if (keep == "fills")
      conversion.SkipFills = true;
    else if (keep == "main")
      conversion.SkipMainParts = true;
    else
      return Fail("import", "--keep \"" + keep + "\": intro-ending, fills or main", 2);
  }

  progress.Update(args.File, 0.1);
  if (!creator.ImportMidiBytes(args.File, *bytes)) {
    progress.Done();
    const auto messages = driver.Messages();
    return Fail("import", messages.empty() ? "cannot import " + args.File : messages.back(), 1);
  }
  styles::TGen& gen = session.Gen();
  const int measureTicks = styles::TicksPerMeasure(gen.CurrentMetre.MeasureLength);
  if (chordsText) {
    auto chart = perform::ParseChordChart(*chordsText, gen.CurrentMetre.MeasureLength / 4);
    if (auto* error = std::get_if<std::string>(&chart)) return Fail("import", "--chords: " + *error, 2);
    creator.GivenChords = app::StyleCreatorSide::ChordsOfChart(std::get<perform::ChordChart>(chart));
  }
  const styles::ImportedMaterial& material = creator.LastImport();
  std::cout << host::PrintableText(args.File) << ": " << material.Measures << " measures of "
            << config::kMetrumNames[styles::MetrumIndexFor(gen.CurrentMetre)] << ", tempo "
            << gen.CurrentStyle().Header.Tempo << '\n';
  if (!material.MetreNote.empty()) std::cout << "metre: " << material.MetreNote << '\n';
  for (int channel : material.MovedChannels)
    std::cout << "percussion of channel " << channel << " moved to 10\n";
  if (material.DroppedPercussion > 0)
    std::cout << material.DroppedPercussion << " percussion notes outside the standard sounds left out\n";
  if (material.MovedNotes > 0) std::cout << material.MovedNotes << " note starts moved onto the grid\n";

  std::vector<app::PartReport> reports;
  if (!requests.empty()) {
    for (size_t i = 0; i < requests.size(); ++i) {
      const PartRequest& r = requests[i];
      progress.Update(args.File, 0.2 + 0.7 * static_cast<double>(i) / static_cast<double>(requests.size()));
      styles::PartWindow window{r.First, r.Last, r.Beat, r.Part.Variation, {}};
      auto report = creator.CutPart(r.Part.Part, window);
      if (!report) {
        progress.Done();
        return Fail("import",
                    std::string(styles::kPartNames[static_cast<size_t>(r.Part.Part)]) + ": " +
                        Measures(r.First, r.Last) + " hold nothing of the " +
                        std::to_string(gen.MaterialMeasures()) + " measures of material",
                    1);
      }
      reports.push_back(*report);
    }
  } else if (args.Markers) {
    reports = creator.CutPartsFromMarkers();
    for (const auto& section :
         styles::PartsFromMarkers(material.Markers, int64_t{material.Measures} * measureTicks, measureTicks))
      std::cout << "marker " << host::PrintableName(section.Marker) << " -> "
                << styles::kPartNames[static_cast<size_t>(section.Part)] << '\n';
  } else if (args.Quick) {
    gen.SetLoopMeasures(std::clamp(args.Loop, 1, 8));
    gen.FirstMeasure = 1;
    if (creator.QuickStyle()) {
      const auto& basic = gen.CurrentStyle().Parts[styles::kBasic];
      reports.push_back({styles::kBasic, basic.FirstMeasure, basic.LastMeasure, 1, {}, {}, false});
    }
  } else {
    const auto structure = ReadWholeInput("kalo style import", args.Structure, 1 << 20, "a structure file");
    if (!structure) return 1;
    const auto document = config::ProfileDocument::Parse(*structure);
    if (!document) return Fail("import", host::PrintableName(args.Structure) + " is no structure file", 1);
    reports = creator.CutFromStructure(*document, args.Set == "B");
  }
  progress.Done();
  for (const auto& report : reports) PrintPart(report, measureTicks);
  if (reports.empty()) return Fail("import", "no part was cut", 1);

  const auto& parts = gen.CurrentStyle().Parts;
  const bool hasBasic = parts[styles::kBasic].Exists();
  if (!hasBasic) std::cerr << "kalo style import: warning: the style has no Basic part\n";
  if (!gen.SaveStyle(output)) {
    const auto messages = driver.Messages();
    return Fail("import", messages.empty() ? "cannot write " + output : messages.back(), 1);
  }
  std::cout << "wrote " << host::PrintableText(output) << '\n';
  return 0;
}

bool LoadForExport(app::OfflineDriver& driver, const std::string& command, const std::string& file) {
  const auto bytes = ReadStyleInput("kalo style " + command, file);
  if (!bytes) return false;
  if (!driver.LoadStyle(file, *bytes)) {
    Fail(command, host::PrintableName(file) + " is not a style that can be played", 1);
    return false;
  }
  return true;
}

int RunExport(const ExportArgs& args) {
  std::optional<NamedPart> part;
  if (!args.Part.empty() && !(part = PartNamed(args.Part)))
    return Fail("export", "no part \"" + args.Part + "\"; the parts are" + PartList(), 2);
  if (!OutputsUsable("kalo style export", {{args.File, "the style"}}, {{args.Output, false}})) return 1;
  auto commandSettings = ReadCommandSettings("kalo style export", args.Ini);
  if (!commandSettings) return 1;
  config::Settings settings = commandSettings->Values;
  settings.PlayIntro = !args.NoIntro;
  app::OfflineDriver driver(settings, host::ProgramFolder::OfRunningProgram());
  if (!LoadForExport(driver, "export", args.File)) return 1;
  app::Arranger& session = driver.Session();
  app::StyleCreatorSide& creator = session.Creator();
  styles::TGen& gen = session.Gen();
  if (gen.CurrentStyle().Header.Tempo >= 25 && gen.CurrentStyle().Header.Tempo <= 250)
    session.SetTempo(gen.CurrentStyle().Header.Tempo);
  if (part) {
    if (!gen.CurrentStyle().Parts[static_cast<size_t>(part->Part)].Exists())
      return Fail("export", "the part \"" + args.Part + "\" is empty", 1);
    if (!creator.SavePartAsMidi(args.Output, part->Part)) return Fail("export", driver.Messages().back(), 1);
    std::cout << "wrote " << host::PrintableText(args.Output) << " ("
              << styles::kPartNames[static_cast<size_t>(part->Part)] << ")\n";
    return 0;
  }
  const auto render = creator.RenderWholeStyle();
  if (!render || !render->Error.empty())
    return Fail("export", render ? render->Error : "the style has no part to play", 1);
  if (auto error = app::WriteStyleSongMidi(args.Output, *render)) return Fail("export", *error, 1);
  const auto layout =
      app::PartsPlayed(render->Capture, styles::TicksPerMeasure(gen.CurrentMetre.MeasureLength));
  std::cout << "wrote " << host::PrintableText(args.Output) << ":";
  bool first = true;
  for (int p = 0; p < styles::kPartCount; ++p) {
    const styles::LoadedMeasures where = layout[static_cast<size_t>(p)];
    if (where.First < 1) continue;
    std::cout << (first ? " " : ", ") << styles::kPartNames[static_cast<size_t>(p)] << "="
              << (where.First == where.Last ? std::to_string(where.First)
                                            : std::to_string(where.First) + "-" + std::to_string(where.Last));
    first = false;
  }
  std::cout << '\n';
  return 0;
}

int RunRepair(const ExportArgs& args) {
  const std::string output = host::WithFileType(args.Output, ".vxs");
  if (!OutputsUsable("kalo style repair", {{args.File, "the style"}}, {{output, false}})) return 1;
  auto commandSettings = ReadCommandSettings("kalo style repair", args.Ini);
  if (!commandSettings) return 1;
  config::Settings settings = commandSettings->Values;
  settings.PlayIntro = true;
  app::OfflineDriver driver(settings, host::ProgramFolder::OfRunningProgram());
  if (!LoadForExport(driver, "repair", args.File)) return 1;
  app::Arranger& session = driver.Session();
  styles::TGen& gen = session.Gen();
  if (gen.CurrentStyle().Header.Tempo >= 25 && gen.CurrentStyle().Header.Tempo <= 250)
    session.SetTempo(gen.CurrentStyle().Header.Tempo);
  if (!session.Creator().RepairStyle()) {
    const auto messages = driver.Messages();
    return Fail("repair", messages.empty() ? "the style has no part to play" : messages.back(), 1);
  }
  if (!gen.SaveStyle(output)) return Fail("repair", driver.Messages().back(), 1);
  int parts = 0;
  for (const auto& record : gen.CurrentStyle().Parts) parts += record.Exists() ? 1 : 0;
  std::cout << "wrote " << host::PrintableText(output) << " (" << parts << " parts)\n";
  return 0;
}

}  // namespace

void AddStyleCreatorCommands(CLI::App& style, ExitStatus& status) {
  auto imports = std::make_shared<ImportArgs>();
  CLI::App* import = style.add_subcommand(
      "import", "Make a style from a Standard MIDI File: cut its parts and convert them to the base chord");
  import->add_option("FILE", imports->File, "the MIDI file (.mid)")->required();
  import->add_option("-o,--output", imports->Output, "the style file to write (.vxs)")->required();
  import->add_option(
      "--part", imports->Parts,
      "NAME=FIRST-LAST[:BEAT], e.g. \"Basic=5-8\", \"Fill in Basic=9\"; may be given more than once");
  import->add_option("--chords", imports->Chords,
                     "the chords of the material as a chart (\"G | Em | C | D\"); the conversion uses them");
  import->add_option("--chord-per", imports->ChordPer,
                     "a chord per 1/4 1/2 3/4 1/1 5/4 6/4 7/4 2/1 (default 1/1)");
  import
      ->add_option("--convert", imports->Convert,
                   "0 none, 1 chord keys, 2 chord types, 3 chord notes, 4 improper notes, 5 all notes, 6 all "
                   "notes to C maj (default 0, 5 with --chords)")
      ->check(CLI::Range(0, 6));
  import
      ->add_option("--mode", imports->Mode,
                   "chord types found: 1 major, 2 simple, 3 normal, 4 special (default)")
      ->check(CLI::Range(1, 4));
  import->add_option("--sensitivity", imports->Sensitivity, "1 low, 2 middle (default), 3 high, 4 extreme")
      ->check(CLI::Range(1, 4));
  import->add_option("--metrum", imports->Metrum, "the metre instead of the file's time signature, e.g. 3/4");
  import->add_option("--structure", imports->Structure,
                     "cut the parts after this structure file (Style.src)");
  import->add_option("--set", imports->Set, "with --structure: style A or B (default A)");
  import->add_flag("--quick", imports->Quick, "a style whose only part is Basic, from measure 1");
  import->add_option("--loop", imports->Loop, "with --quick: Basic's measures (1 to 8, default 4)");
  import->add_flag("--parts-from-markers", imports->Markers,
                   "cut the parts at the section markers of a keyboard style file (Main A, Fill In AA, ...)");
  import->add_option("--keep", imports->Keep, "leave unconverted: intro-ending, fills, main");
  import->add_flag("--eighth-base", imports->EighthBase, "x/8 files count in eighth notes");
  import->add_flag("--move-percussion", imports->MovePercussion,
                   "percussion of other channels to channel 10");
  import->add_flag("--standard-percussion", imports->StandardPercussion, "leave out non-standard percussion");
  import->add_flag("--optimize-timing", imports->OptimizeTiming, "move notes a tick off the grid onto it");
  import->add_option("--ini", imports->Ini, "read this settings file instead of the program's own");
  import->callback([imports, &status] { status.Code = RunImport(*imports);
});

auto exports = std::make_shared<ExportArgs>();
CLI::App* exportCommand =
    style.add_subcommand("export", "Play a style in C major, part after part, into a Standard MIDI File");
exportCommand->add_option("STYLE", exports->File, "the style file (.vxs)")->required();
exportCommand->add_option("-o,--output", exports->Output, "the MIDI file to write (.mid)")->required();
exportCommand->add_option("--part", exports->Part, "only this part, e.g. \"Fill in Basic\"");
exportCommand->add_flag("--no-intro", exports->NoIntro, "leave the intro out of the whole style");
exportCommand->add_option("--ini", exports->Ini, "read this settings file instead of the program's own");
exportCommand->callback([exports, &status] { status.Code = RunExport(*exports); });

auto repairs = std::make_shared<ExportArgs>();
CLI::App* repair =
    style.add_subcommand("repair", "Play a style into a MIDI file, read it back and cut its parts again");
repair->add_option("STYLE", repairs->File, "the style file (.vxs)")->required();
repair->add_option("-o,--output", repairs->Output, "the repaired style file to write (.vxs)")->required();
repair->add_option("--ini", repairs->Ini, "read this settings file instead of the program's own");
repair->callback([repairs, &status] { status.Code = RunRepair(*repairs); });
}  // namespace kalo::cli

}  // namespace kalo::cli
