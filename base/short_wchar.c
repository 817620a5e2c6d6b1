/* Natively the project is compiled with -fshort-wchar so that wchar_t is a UTF-16 code unit
   as on Windows. The C library's wide routines still count in 4-byte units, so the ones that
   std::wstring and googletest call are defined here for 2-byte units. They take precedence
   over the C library's in every native program. */
#include <stddef.h>

typedef unsigned short unit;

size_t wcslen(const unit* s) {
  const unit* p = s;
  while (*p) ++p;
  return (size_t)(p - s);
}

size_t wcsnlen(const unit* s, size_t n) {
  size_t i = 0;
  while (i < n && s[i]) ++i;
  return i;
}

int wcscmp(const unit* a, const unit* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

int wcsncmp(const unit* a, const unit* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    if (!a[i]) break;
  }
  return 0;
}

static unit foldAscii(unit c) { return (c >= 'A' && c <= 'Z') ? (unit)(c + 32) : c; }

int wcscasecmp(const unit* a, const unit* b) {
  while (*a && foldAscii(*a) == foldAscii(*b)) ++a, ++b;
  unit x = foldAscii(*a), y = foldAscii(*b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

unit* wcschr(const unit* s, unit c) {
  for (;; ++s) {
    if (*s == c) return (unit*)s;
    if (!*s) return NULL;
  }
}

int wmemcmp(const unit* a, const unit* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

unit* wmemcpy(unit* d, const unit* s, size_t n) {
  for (size_t i = 0; i < n; ++i) d[i] = s[i];
  return d;
}

unit* wmemmove(unit* d, const unit* s, size_t n) {
  if (d < s) {
    for (size_t i = 0; i < n; ++i) d[i] = s[i];
  } else {
    for (size_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
  }
  return d;
}

unit* wmemset(unit* d, unit c, size_t n) {
  for (size_t i = 0; i < n; ++i) d[i] = c;
  return d;
}

unit* wmemchr(const unit* s, unit c, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (s[i] == c) return (unit*)(s + i);
  return NULL;
}
