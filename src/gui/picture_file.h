#pragma once
// Pictures the window shows from files the settings name. Main thread.

#include <QPixmap>
#include <filesystem>

namespace kalo::gui {

// The largest picture file read; a bigger one is not shown.
inline constexpr size_t kMaxPictureBytes = size_t{64} << 20;

// The picture in the regular file at path, read as host::ReadRegularFile reads (a FIFO, a device or a
// folder is refused at once, so that a setting naming one can never hang the window); a null pixmap
// when it cannot be read or is no picture Qt knows.
QPixmap ReadPicture(const std::filesystem::path& path);

}  // namespace kalo::gui
