#include "platform/linux/file_errors.h"

#include <cerrno>

namespace platform::posix {

DWORD FileError(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:  // a link where the volumes have none
    case ENXIO:  // a FIFO, a socket or a device where a file was wanted
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_INVALID_NAME;
    case ENOTSUP:
      return ERROR_NOT_SUPPORTED;
    default:  // EIO among them: the medium went away under the call
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace platform::posix
