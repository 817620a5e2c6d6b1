#include "ui/dialogs.h"

#include <shellapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "base/scoped_win.h"
#include "ui/menu_model.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kIncludeSubfoldersCheck = 1;

// The file-system path of the dialog's result; false when it has none.
bool resultPath(IFileOpenDialog& dialog, std::wstring& path) {
  ComPtr<IShellItem> item;
  if (FAILED(dialog.GetResult(&item))) return false;
  base::ScopedCoMem<wchar_t> text;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, text.put())) || !text) return false;
  path = text.get();
  return !path.empty();
}

ComPtr<IFileOpenDialog> makeOpenDialog(FILEOPENDIALOGOPTIONS extra, const wchar_t* title) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog)))) {
    return nullptr;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options)) || FAILED(dialog->SetOptions(options | extra)) ||
      FAILED(dialog->SetTitle(title))) {
    return nullptr;
  }
  return dialog;
}

}  // namespace

bool pickFolder(HWND owner, const std::wstring& initialFolder, bool& includeSubfolders,
                std::wstring& folder) {
  ComPtr<IFileOpenDialog> dialog =
      makeOpenDialog(FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST, L"Open folder");
  if (!dialog) return false;

  ComPtr<IFileDialogCustomize> customize;
  if (SUCCEEDED(dialog.As(&customize)) &&
      FAILED(customize->AddCheckButton(kIncludeSubfoldersCheck, L"Include subfolders",
                                       includeSubfolders ? TRUE : FALSE))) {
    customize.Reset();
  }
  if (!initialFolder.empty()) {
    // A folder that is gone simply leaves the dialog where the shell would open it.
    ComPtr<IShellItem> start;
    if (SUCCEEDED(
            SHCreateItemFromParsingName(initialFolder.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
      dialog->SetFolder(start.Get());
    }
  }

  if (dialog->Show(owner) != S_OK) return false;
  std::wstring path;
  if (!resultPath(*dialog.Get(), path)) return false;
  if (customize) {
    BOOL checked = FALSE;
    if (SUCCEEDED(customize->GetCheckButtonState(kIncludeSubfoldersCheck, &checked))) {
      includeSubfolders = checked != FALSE;
    }
  }
  folder = std::move(path);
  return true;
}

bool pickBookFile(HWND owner, std::wstring& path) {
  ComPtr<IFileOpenDialog> dialog =
      makeOpenDialog(FOS_FORCEFILESYSTEM | FOS_FILEMUSTEXIST, L"Open book file");
  if (!dialog) return false;
  const COMDLG_FILTERSPEC filter[] = {{L"Audio files", L"*.mp3;*.m4b;*.m4a;*.wma;*.flac;*.wav"}};
  if (FAILED(dialog->SetFileTypes(1, filter))) return false;

  if (dialog->Show(owner) != S_OK) return false;
  std::wstring chosen;
  if (!resultPath(*dialog.Get(), chosen)) return false;
  path = std::move(chosen);
  return true;
}

bool askAudiobookQuestion(HWND owner, const std::wstring& question) {
  return MessageBoxW(owner, question.c_str(), L"Audiobook mode",
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool openWebPage(const std::wstring& url) {
  if (!isWebPageUrl(url)) return false;
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}
