#include "base/WriteFailure.h"

#include <cerrno>
#include <cstring>

std::string writeFailureCause(int error) {
  switch (error) {
    case ENOSPC:
      return "the disk is full";
    case EFBIG:
      return "the file is too large (the file size limit was reached)";
    case EDQUOT:
      return "the disk quota is used up";
    case 0:
      return "the write failed";
    default:
      return std::strerror(error);
  }
}
