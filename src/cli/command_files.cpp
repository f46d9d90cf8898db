#include "cli/command_files.h"

#include <iostream>

#include "host/file_store.h"
#include "host/printable_text.h"
#include "styles/style.h"
#include "styles/style_file.h"

namespace kalo::cli {

namespace {

// Whether two outputs name one file, whether it exists yet or not.
bool SameOutput(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ea;
  std::error_code eb;
  const auto canonicalA = std::filesystem::weakly_canonical(a, ea);
  const auto canonicalB = std::filesystem::weakly_canonical(b, eb);
  return host::SameFile(a, b) || (!ea && !eb && canonicalA == canonicalB);
}

std::string SizeText(uint64_t bytes) {
  if (bytes >= (uint64_t{1} << 20)) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

void Say(std::string_view command, std::string_view text) {
  std::cerr << command << ": " << host::PrintableText(text) << '\n';
}

std::optional<std::vector<uint8_t>> ReadWholeInput(std::string_view command,
                                                   const std::filesystem::path& path, size_t maxBytes,
                                                   std::string_view what) {
  host::FileRead read = host::ReadRegularFile(path, maxBytes);
  if (!read.Ok()) {
    Say(command, "cannot read " + read.Error);
    return std::nullopt;
  }
  if (read.Longer) {
    Say(command, host::PrintableName(path) + ": " + SizeText(read.Size) + ", more than " + std::string(what) +
                     " can be (" + SizeText(maxBytes) + ")");
    return std::nullopt;
  }
  return std::move(read.Bytes);
}

std::optional<std::string> ArgumentText(std::string_view command, const std::string& given,
                                        std::string_view what) {
  if (given.empty() || given[0] != '@') return given;
  const auto bytes = ReadWholeInput(command, given.substr(1), kMaxArgumentFileBytes, what);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::optional<std::vector<uint8_t>> ReadStyleInput(std::string_view command,
                                                   const std::filesystem::path& path) {
  auto bytes = ReadWholeInput(command, path, styles::kMaxStyleFileBytes, "a style file");
  if (!bytes) return std::nullopt;
  if (const std::string problem = styles::StyleBytesProblem(*bytes); !problem.empty()) {
    Say(command, host::PrintableName(path) + ": " + problem);
    return std::nullopt;
  }
  return bytes;
}

bool OutputsUsable(std::string_view command, const std::vector<InputFile>& inputs,
                   const std::vector<OutputFile>& outputs) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::filesystem::path& out = outputs[i].Path;
    for (const InputFile& input : inputs) {
      if (!input.Path.empty() && host::SameFile(out, input.Path)) {
        Say(command, "cannot write " + host::PrintableName(out) + ": it is " + input.Role + " " +
                         host::PrintableName(input.Path) + ", which would be lost");
        return false;
      }
    }
    for (size_t j = 0; j < i; ++j) {
      if (SameOutput(out, outputs[j].Path)) {
        Say(command, "cannot write " + host::PrintableName(out) + " twice: it is also " +
                         host::PrintableName(outputs[j].Path));
        return false;
      }
    }
    if (const auto problem = host::OutputProblem(out, outputs[i].DeviceAllowed)) {
      Say(command, "cannot write " + *problem);
      return false;
    }
  }
  return true;
}

bool RenderTargetsUsable(std::string_view command, const std::vector<InputFile>& inputs,
                         const app::RenderTargets& targets) {
  std::vector<OutputFile> outputs;
  if (!targets.Events.empty() && targets.Events != "-") outputs.push_back({targets.Events, true});
  for (const std::filesystem::path& file : targets.Files) outputs.push_back({file, false});
  return OutputsUsable(command, inputs, outputs);
}

}  // namespace kalo::cli
