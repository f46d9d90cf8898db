#include "gui/picture_file.h"

#include "host/file_store.h"

namespace kalo::gui {

QPixmap ReadPicture(const std::filesystem::path& path) {
  QPixmap picture;
  const host::FileRead read = host::ReadRegularFile(path, kMaxPictureBytes);
  if (read.Ok() && !read.Longer)
    picture.loadFromData(read.Bytes.data(), static_cast<uint>(read.Bytes.size()));
  return picture;
}

}  // namespace kalo::gui
