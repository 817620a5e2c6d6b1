#include "ui/add_station_dialog.h"

#include <commctrl.h>

#include "base/text.h"
#include "ui/dialogs.h"
#include "ui/menu_model.h"

namespace {

struct NewStation {
  std::wstring name;
  std::wstring url;
};

std::wstring fieldText(HWND dialog, int id) {
  wchar_t buffer[kFieldReadLimit + 1] = {};
  GetDlgItemTextW(dialog, id, buffer, static_cast<int>(kFieldReadLimit + 1));
  return trimFieldText(buffer);
}

void takeFields(HWND dialog, NewStation& station) {
  std::wstring url = fieldText(dialog, kStationUrlField);
  if (!text::isValidUrl(url)) {
    SetDlgItemTextW(dialog, kStationHint,
                    L"Enter a stream URL that starts with http:// or https://");
    SendMessageW(dialog, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(dialog, kStationUrlField)), TRUE);
    return;
  }
  station.name = fieldText(dialog, kStationNameField);
  station.url = std::move(url);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SendDlgItemMessageW(dialog, kStationNameField, EM_LIMITTEXT, kStationNameLimit, 0);
      SendDlgItemMessageW(dialog, kStationUrlField, EM_LIMITTEXT, kStationUrlLimit, 0);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        auto* station = reinterpret_cast<NewStation*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (station) takeFields(dialog, *station);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == kStationLink &&
          (header->code == NM_CLICK || header->code == NM_RETURN)) {
        openWebPage(reinterpret_cast<const NMLINK*>(lParam)->item.szUrl);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool askNewStation(HWND owner, std::wstring& name, std::wstring& url) {
  NewStation station;
  const INT_PTR answer =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAddStationDialog), owner,
                      dialogProc, reinterpret_cast<LPARAM>(&station));
  if (answer != IDOK) return false;
  name = std::move(station.name);
  url = std::move(station.url);
  return true;
}
