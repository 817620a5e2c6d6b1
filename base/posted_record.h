// The base of every record a worker posts to the main window. The window takes any record
// it is sent, also for a message nothing handles (yet), and frees it through this base.
// Portable: no platform headers; base/messages.h posts and takes records.
#pragma once

struct PostedRecord {
  virtual ~PostedRecord() = default;
};
