#include "styles/style_test_support.h"

#include <atomic>
#include <fstream>
#include <random>

namespace kalo::styles::testing {

namespace {

std::filesystem::path FreshFolder() {
  static std::atomic<int> counter{0};
  auto path = std::filesystem::temp_directory_path() /
              ("kalo-styles-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path / "STYLES");
  return path;
}

}  // namespace

TGenBench::TGenBench()
    : Root(FreshFolder()),
      Folder(Root),
      Gen(TGenContext{Dialogs, Display, Links, Folder, Settings, Options, Host, Player, Mixer}) {
  Settings.PlayIntro = false;
}

TGenBench::~TGenBench() {
  std::error_code ignored;
  std::filesystem::remove_all(Root, ignored);
}

std::string TGenBench::WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const {
  const auto path = Root / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

}  // namespace kalo::styles::testing
