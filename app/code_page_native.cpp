// Stand-in for IsValidCodePage where there is no Windows: the code pages a Windows system
// always has and that the tests use.
#include "app/settings.h"

bool codePageExists(uint32_t codePage) {
  switch (codePage) {
    case 437:
    case 850:
    case 866:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 65001:
      return true;
    default:
      return false;
  }
}
