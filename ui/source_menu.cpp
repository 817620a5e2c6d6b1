#include "ui/source_menu.h"

namespace {

MenuEntry entry(std::wstring text, uint32_t id) {
  MenuEntry e;
  e.text = std::move(text);
  e.id = id;
  return e;
}

}  // namespace

std::vector<MenuEntry> sourceMenuEntries(const SourceMenu& menu) {
  static const std::vector<std::wstring> none;
  const std::vector<std::wstring>& names = menu.names ? *menu.names : none;
  std::vector<MenuEntry> entries;
  for (size_t i = 0; i < names.size(); ++i) {
    MenuEntry e = entry(escapeMenuText(names[i]), menu.firstId + static_cast<uint32_t>(i));
    e.radio = menu.chosen == static_cast<int64_t>(i);
    entries.push_back(std::move(e));
  }
  if (!names.empty()) {
    MenuEntry separator;
    separator.separator = true;
    entries.push_back(std::move(separator));
  }

  MenuEntry add = entry(menu.addText, menu.addId);
  add.greyed = names.size() >= menu.limit;
  entries.push_back(std::move(add));
  entries.push_back(entry(menu.findText, menu.findId));

  if (menu.chosen >= 0 && static_cast<size_t>(menu.chosen) < names.size()) {
    entries.push_back(
        entry(L"Remove \"" + escapeMenuText(names[static_cast<size_t>(menu.chosen)]) + L"\"",
              menu.removeId));
  } else {
    MenuEntry remove = entry(menu.removeNoneText, menu.removeId);
    remove.greyed = true;
    entries.push_back(std::move(remove));
  }
  return entries;
}
