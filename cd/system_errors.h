// The few system error codes the CD code tells apart, by value, so that the decisions built on
// them stay portable. cd/drive_win.cpp checks each against winerror.h.
#pragma once

#include <cstdint>

namespace cd::syserr {

constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kNotReady = 21;
constexpr uint32_t kDevNotExist = 55;
constexpr uint32_t kNoSuchDevice = 433;
constexpr uint32_t kOperationAborted = 995;
constexpr uint32_t kFileInvalid = 1006;
constexpr uint32_t kMediaChanged = 1110;
constexpr uint32_t kNoMediaInDrive = 1112;
constexpr uint32_t kDeviceNotConnected = 1167;
constexpr uint32_t kDeviceRemoved = 1617;

}  // namespace cd::syserr
