#include "cd/device.h"

#include "cd/system_errors.h"

namespace cd {

bool isMediumGoneError(uint32_t systemError) {
  switch (systemError) {
    case syserr::kInvalidHandle:
    case syserr::kNotReady:
    case syserr::kDevNotExist:
    case syserr::kNoSuchDevice:
    case syserr::kOperationAborted:
    case syserr::kFileInvalid:
    case syserr::kMediaChanged:
    case syserr::kNoMediaInDrive:
    case syserr::kDeviceNotConnected:
    case syserr::kDeviceRemoved:
      return true;
    default:
      return false;
  }
}

}  // namespace cd
