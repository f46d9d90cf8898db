// kalo style: what a style file holds — its header, channels and parts (info), or the channel
// messages of its event stream with their ticks (events); and the style compiler (build), which
// turns a style source into a style file.

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/command_files.h"
#include "cli/commands.h"
#include "host/file_store.h"
#include "styles/style_file.h"
#include "styles/style_records.h"
#include "styles/style_report.h"
#include "styles/style_source.h"

namespace kalo::cli {
namespace {

struct StyleArgs {
  std::string File;
  bool Json = false;
  std::string Part;
  std::string Output;
};

// A style source longer than this is refused rather than read in part.
constexpr size_t kMaxSourceBytes = 4 << 20;

std::optional<styles::ParsedStyleFile> ReadStyle(const std::string& command, const std::string& file) {
  const host::FileRead read = host::ReadRegularFile(file, styles::kMaxStyleFileBytes);
  if (!read.Ok()) {
    Say("kalo style " + command, read.Error);
    return std::nullopt;
  }
  return styles::ParseStyleFile(read.Bytes);
}

int RunInfo(const StyleArgs& args) {
  auto style = ReadStyle("info", args.File);
  if (!style) return 1;
  std::cout << (args.Json ? styles::StyleInfoJson(*style) : styles::StyleInfoText(*style));
  return 0;
}

int RunEvents(const StyleArgs& args) {
  std::optional<int> part;
  if (!args.Part.empty()) {
    part = styles::PartNumberOf(args.Part);
    if (!part) {
      std::string text = "no part \"" + args.Part + "\"; the parts are";
      for (auto name : styles::kPartNames) text += " \"" + std::string(name) + "\"";
      Say("kalo style events", text);
      return 2;
    }
  }
  auto style = ReadStyle("events", args.File);
  if (!style) return 1;
  if (part && !style->Image.Parts[static_cast<size_t>(*part)].Exists()) {
    Say("kalo style events", "the part \"" + std::string(styles::kPartNames[static_cast<size_t>(*part)]) +
                                 "\" is empty in " + host::PrintableName(args.File));
    return 1;
  }
  std::cout << styles::StyleEventsText(*style, part);
  return 0;
}

// Compiles the source; on any mistake prints every error ("<file>:<line>: <text>") and writes nothing.
int RunBuild(const StyleArgs& args) {
  constexpr std::string_view kCommand = "kalo style build";
  const host::FileRead read = host::ReadRegularFile(args.File, kMaxSourceBytes);
  if (!read.Ok()) {
    Say(kCommand, "cannot read " + read.Error);
    return 1;
  }
  if (read.Longer) {
    std::cerr << host::PrintableText(args.File) << ":1: the source is larger than " << (kMaxSourceBytes >> 20)
              << " MiB\n";
    return 1;
  }
  const styles::CompiledStyle style = styles::CompileStyleSource(
      std::string_view(reinterpret_cast<const char*>(read.Bytes.data()), read.Bytes.size()));
  if (!style.Ok()) {
    for (const styles::SourceError& error : style.Errors)
      std::cerr << host::PrintableText(args.File + ":" + std::to_string(error.Line) + ": " + error.Message)
                << '\n';
    std::cerr << kCommand << ": " << style.Errors.size() << (style.Errors.size() == 1 ? " error" : " errors")
              << ", nothing written\n";
    return 1;
  }
  const std::filesystem::path output =
      args.Output.empty() ? std::filesystem::path(args.File).replace_filename(style.Name + ".vxs")
                          : std::filesystem::path(args.Output);
  if (!OutputsUsable(kCommand, {{args.File, "the style source"}}, {{output, false}})) return 1;
  const auto bytes = styles::SerializeStyleFile(style.Image.Header, style.Image.Parts, style.Image.Stream);
  if (auto failure = host::WriteFileSafely(output, bytes)) {
    Say(kCommand, "cannot write " + *failure);
    return 1;
  }
  int parts = 0;
  for (const auto& part : style.Image.Parts) parts += part.Exists() ? 1 : 0;
  std::cout << host::PrintableText(output.string() + ": style " + style.Name) << ", " << parts << " parts, "
            << bytes.size() << " bytes\n";
  return 0;
}

}  // namespace

void AddStyleCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<StyleArgs>();
  CLI::App* style = app.add_subcommand(
      "style",
      "Show what a style file (.vxs) holds, build one from its source, import, export or repair one");
  style->require_subcommand(1);

  CLI::App* info = style->add_subcommand("info", "Header, channels and parts of a style file");
  info->add_option("FILE", args->File, "the style file")->required();
  info->add_flag("--json", args->Json, "print one JSON object");
  info->callback([args, &status] { status.Code = RunInfo(*args); });

  CLI::App* events = style->add_subcommand(
      "events", "The channel messages of the stream: <tick> <status> <data1> <data2> in decimal");
  events->add_option("FILE", args->File, "the style file")->required();
  events->add_option("--part", args->Part, "only this part, e.g. \"Basic\" or \"Fill in Basic\"");
  events->callback([args, &status] { status.Code = RunEvents(*args); });

  CLI::App* build = style->add_subcommand("build", "Compile a style source into a style file (.vxs)");
  build->add_option("SOURCE", args->File, "the style source")->required();
  build->add_option(
      "-o,--output", args->Output,
      "the style file to write (default: <name>.vxs beside the source, <name> from its style line)");
  build->callback([args, &status] { status.Code = RunBuild(*args); });

  AddStyleCreatorCommands(*style, status);
  AddStyleLibraryCommands(*style, status);
}

}  // namespace kalo::cli
