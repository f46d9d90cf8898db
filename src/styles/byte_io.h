#pragma once
// The little-endian field readers and writers, shared with the song files below the styles.

#include "host/byte_io.h"

namespace kalo::styles {

using host::ByteReader;
using host::ByteWriter;

}  // namespace kalo::styles
