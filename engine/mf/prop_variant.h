// A PROPVARIANT that is cleared when it goes out of scope.
#pragma once

#include <propidl.h>

namespace mf {

class PropVariant {
 public:
  PropVariant() noexcept { PropVariantInit(&value_); }
  ~PropVariant() { PropVariantClear(&value_); }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;

  // Clears what is held first, for functions that fill a PROPVARIANT.
  PROPVARIANT* put() noexcept {
    PropVariantClear(&value_);
    return &value_;
  }
  const PROPVARIANT& get() const noexcept { return value_; }

  static void setInt64(PropVariant& v, int64_t value) noexcept {
    PROPVARIANT* p = v.put();
    p->vt = VT_I8;
    p->hVal.QuadPart = value;
  }

 private:
  PROPVARIANT value_;
};

}  // namespace mf
