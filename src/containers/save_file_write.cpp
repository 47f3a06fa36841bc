#include "containers/save_file_write.h"

namespace quillmere::save_file {

ByteBuffer EmptySaveFile() {
  ByteBuffer image = ByteBuffer::Filled(kAreaSize, 0);
  image.Write(0, ByteBuffer::FromText(kIdentification));
  return image;
}

}  // namespace quillmere::save_file
