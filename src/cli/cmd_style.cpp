// kalo style: what a style file holds — its header, channels and parts (info), or the channel
// messages of its event stream with their ticks (events).

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "host/file_store.h"
#include "styles/style_file.h"
#include "styles/style_records.h"
#include "styles/style_report.h"

namespace kalo::cli {
namespace {

struct StyleArgs {
  std::string File;
  bool Json = false;
  std::string Part;
};

std::optional<styles::ParsedStyleFile> ReadStyle(const std::string& command, const std::string& file) {
  const host::FileRead read = host::ReadRegularFile(file, styles::kMaxStyleFileBytes);
  if (!read.Ok()) {
    std::cerr << "kalo style " << command << ": " << read.Error << '\n';
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
      std::cerr << "kalo style events: no part \"" << args.Part << "\"; the parts are";
      for (auto name : styles::kPartNames) std::cerr << " \"" << name << "\"";
      std::cerr << '\n';
      return 2;
    }
  }
  auto style = ReadStyle("events", args.File);
  if (!style) return 1;
  if (part && !style->Image.Parts[static_cast<size_t>(*part)].Exists()) {
    std::cerr << "kalo style events: the part \"" << styles::kPartNames[static_cast<size_t>(*part)]
              << "\" is empty in " << host::PrintableName(args.File) << '\n';
    return 1;
  }
  std::cout << styles::StyleEventsText(*style, part);
  return 0;
}

}  // namespace

void AddStyleCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<StyleArgs>();
  CLI::App* style = app.add_subcommand("style", "Show what a style file (.vxs) holds");
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
}

}  // namespace kalo::cli
