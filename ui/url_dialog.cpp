#include "ui/url_dialog.h"

#include <commctrl.h>

#include "base/text.h"
#include "ui/dialogs.h"
#include "ui/menu_model.h"

namespace {

struct Answer {
  const UrlDialog* layout = nullptr;
  std::wstring name;
  std::wstring url;
};

std::wstring fieldText(HWND dialog, int id) {
  std::wstring buffer(kFieldReadLimit + 1, L'\0');
  const int n = GetDlgItemTextW(dialog, id, buffer.data(), static_cast<int>(buffer.size()));
  buffer.resize(static_cast<size_t>(n > 0 ? n : 0));
  return trimFieldText(buffer);
}

void accept(HWND dialog, Answer& answer) {
  const UrlDialog& layout = *answer.layout;
  std::wstring url = fieldText(dialog, layout.urlField);
  if (!text::isValidUrl(url)) {
    SetDlgItemTextW(dialog, layout.hint, layout.urlRequired);
    SendMessageW(dialog, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(dialog, layout.urlField)), TRUE);
    return;
  }
  if (layout.nameField != 0) answer.name = fieldText(dialog, layout.nameField);
  answer.url = std::move(url);
  EndDialog(dialog, IDOK);
}

// No exception may leave a dialog procedure: the system's frames lie between it and us.
INT_PTR CALLBACK urlDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* answer = reinterpret_cast<Answer*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const UrlDialog& layout = *reinterpret_cast<Answer*>(lParam)->layout;
      if (layout.nameField != 0) {
        SendDlgItemMessageW(dialog, layout.nameField, EM_LIMITTEXT, layout.nameLimit, 0);
      }
      SendDlgItemMessageW(dialog, layout.urlField, EM_LIMITTEXT, layout.urlLimit, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        try {
          if (answer) accept(dialog, *answer);
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
      if (!answer || header->idFrom != static_cast<UINT_PTR>(answer->layout->link) ||
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

bool askUrl(HWND owner, const UrlDialog& dialog, std::wstring* name, std::wstring& url) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  Answer answer;
  answer.layout = &dialog;
  const INT_PTR result =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.resource), owner,
                      urlDialogProc, reinterpret_cast<LPARAM>(&answer));
  if (result != IDOK) return false;
  if (name) *name = std::move(answer.name);
  url = std::move(answer.url);
  return true;
}
