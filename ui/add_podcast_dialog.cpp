#include "ui/add_podcast_dialog.h"

#include <commctrl.h>

#include "base/text.h"
#include "ui/dialogs.h"
#include "ui/menu_model.h"

namespace {

std::wstring fieldText(HWND dialog, int id) {
  std::wstring buffer(kFieldReadLimit + 1, L'\0');
  const int n = GetDlgItemTextW(dialog, id, buffer.data(), static_cast<int>(buffer.size()));
  buffer.resize(static_cast<size_t>(n > 0 ? n : 0));
  return trimFieldText(buffer);
}

void accept(HWND dialog) {
  std::wstring url = fieldText(dialog, kIdFeedUrl);
  if (!text::isValidUrl(url)) {
    SetDlgItemTextW(dialog, kIdFeedHint, kFeedUrlRequired);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, kIdFeedUrl)),
                 TRUE);
    return;
  }
  auto* out = reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (out) *out = std::move(url);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK addPodcastProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SendDlgItemMessageW(dialog, kIdFeedUrl, EM_SETLIMITTEXT, kMaxFeedUrlLength, 0);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        try {
          accept(dialog);
        } catch (...) {
          EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != kIdFeedLink ||
          (header->code != NM_CLICK && header->code != NM_RETURN)) {
        return FALSE;
      }
      try {
        openWebPage(reinterpret_cast<const NMLINK*>(lParam)->item.szUrl);
      } catch (...) {
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool askFeedUrl(HWND owner, std::wstring& url) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  std::wstring chosen;
  const INT_PTR result =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAddPodcastDialog), owner,
                      addPodcastProc, reinterpret_cast<LPARAM>(&chosen));
  if (result != IDOK) return false;
  url = std::move(chosen);
  return true;
}
