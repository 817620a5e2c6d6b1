#include "ui/menu_model.h"

#include <algorithm>

#include "base/text.h"
#include "player/playback_rules.h"
#include "ui/cd_menu.h"
#include "ui/radio_menu.h"

namespace {

MenuEntry command(std::wstring text, uint32_t id) {
  MenuEntry e;
  e.text = std::move(text);
  e.id = id;
  return e;
}

MenuEntry separator() {
  MenuEntry e;
  e.separator = true;
  return e;
}

MenuEntry submenu(std::wstring text, std::vector<MenuEntry> children) {
  MenuEntry e;
  e.text = std::move(text);
  e.children = std::move(children);
  return e;
}

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::vector<MenuEntry> chapterEntries(const MenuState& state) {
  std::vector<MenuEntry> entries;
  const size_t shown = std::min({kMenuChapters, state.chapterCount, state.chapterNames.size()});
  for (size_t i = 0; i < shown; ++i) {
    MenuEntry e =
        command(escapeMenuText(state.chapterNames[i]), kCmdChapterFirst + static_cast<uint32_t>(i));
    e.radio = state.currentChapter == static_cast<int64_t>(i);
    entries.push_back(std::move(e));
  }
  if (state.chapterCount > kMenuChapters) {
    MenuEntry more =
        command(text::toDecimal(static_cast<uint64_t>(state.chapterCount - kMenuChapters)) +
                    L" more on the seek bar",
                0);
    more.greyed = true;
    entries.push_back(std::move(more));
  }
  return entries;
}

std::vector<MenuEntry> opacityEntries(int opacity) {
  std::vector<MenuEntry> entries;
  for (size_t i = 0; i < kOpacityStepCount; ++i) {
    MenuEntry e = command(text::toDecimal(static_cast<int64_t>(kOpacitySteps[i])) + L"%",
                          kCmdOpacityFirst + static_cast<uint32_t>(i));
    e.radio = kOpacitySteps[i] == opacity;
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace

std::wstring escapeMenuText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out.push_back(c);
    if (c == L'&') out.push_back(L'&');
  }
  return out;
}

std::wstring removeRowEntryText(std::wstring_view rowText) {
  std::wstring_view shown = rowText;
  bool cut = false;
  if (rowText.size() > kRowTextLimit) {
    size_t keep = kRowTextKept;
    // Never leave half of a surrogate pair before the dots.
    if (isHighSurrogate(rowText[keep - 1])) --keep;
    shown = rowText.substr(0, keep);
    cut = true;
  }
  return L"Remove \"" + escapeMenuText(shown) + (cut ? L"..." : L"") + L"\" from the list";
}

int64_t chapterAt(const std::vector<uint32_t>& starts, uint64_t positionFrames,
                  uint32_t sampleRate) {
  if (sampleRate == 0) return -1;
  // Frames, not milliseconds: a seek to a start lands exactly on that start's frame.
  const auto after = std::upper_bound(starts.begin(), starts.end(), positionFrames,
                                      [sampleRate](uint64_t frames, uint32_t start) {
                                        return frames < msToFrames(start, sampleRate);
                                      });
  return static_cast<int64_t>(after - starts.begin()) - 1;
}

bool isWebPageUrl(std::wstring_view url) {
  constexpr std::wstring_view kScheme = L"https://";
  return url.size() >= kScheme.size() &&
         text::equalsOrdinalIgnoreCase(url.substr(0, kScheme.size()), kScheme);
}

std::wstring trimFieldText(std::wstring_view text) {
  text = text.substr(0, std::min(text.size(), kFieldReadLimit));
  const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::wstring(text.substr(begin, end - begin));
}

std::vector<MenuEntry> sourceMenuEntries(const SourceMenu& menu) {
  static const std::vector<std::wstring> none;
  const std::vector<std::wstring>& names = menu.names ? *menu.names : none;
  std::vector<MenuEntry> entries;
  for (size_t i = 0; i < names.size(); ++i) {
    MenuEntry e = command(escapeMenuText(names[i]), menu.firstId + static_cast<uint32_t>(i));
    e.radio = menu.chosen == static_cast<int64_t>(i);
    entries.push_back(std::move(e));
  }
  if (!names.empty()) entries.push_back(separator());

  MenuEntry add = command(menu.addText, menu.addId);
  add.greyed = names.size() >= menu.limit;
  entries.push_back(std::move(add));
  entries.push_back(command(menu.findText, menu.findId));

  if (menu.chosen >= 0 && static_cast<size_t>(menu.chosen) < names.size()) {
    entries.push_back(
        command(L"Remove \"" + escapeMenuText(names[static_cast<size_t>(menu.chosen)]) + L"\"",
                menu.removeId));
  } else {
    MenuEntry remove = command(menu.removeNoneText, menu.removeId);
    remove.greyed = true;
    entries.push_back(std::move(remove));
  }
  return entries;
}

std::vector<MenuEntry> buildMainMenu(const MenuState& state) {
  std::vector<MenuEntry> menu;
  menu.push_back(command(L"Open folder...", kCmdOpenFolder));
  if (state.audiobook) menu.push_back(command(L"Open book file...", kCmdOpenBook));

  MenuEntry rescan = command(L"Rescan", kCmdRescan);
  rescan.greyed = !state.folderOpen;
  menu.push_back(std::move(rescan));

  MenuEntry subfolders = command(L"Include subfolders", kCmdIncludeSubfolders);
  subfolders.checked = state.includeSubfolders;
  menu.push_back(std::move(subfolders));

  MenuEntry radio = submenu(L"Radio", radioMenuEntries(state.stationNames, state.currentStation));
  radio.greyed = state.audiobook;
  menu.push_back(std::move(radio));
  MenuEntry podcasts = submenu(L"Podcasts", podcastMenuEntries(state.podcasts));
  podcasts.greyed = state.audiobook;
  menu.push_back(std::move(podcasts));
  appendCdMenu(state, menu);

  if (state.chapterCount > 0 && !state.chapterNames.empty()) {
    menu.push_back(submenu(L"Chapters", chapterEntries(state)));
  }

  MenuEntry audiobook = command(L"Audiobook mode", kCmdAudiobook);
  audiobook.checked = state.audiobook;
  menu.push_back(std::move(audiobook));

  if (state.audiobook && !state.backToLabel.empty()) {
    menu.push_back(command(escapeMenuText(state.backToLabel), kCmdBackTo));
  }

  if (state.hasRow) {
    menu.push_back(separator());
    menu.push_back(command(removeRowEntryText(state.rowText), kCmdRemoveRow));
  }

  menu.push_back(separator());
  MenuEntry topmost = command(L"Always on top", kCmdAlwaysOnTop);
  topmost.checked = state.topmost;
  menu.push_back(std::move(topmost));
  MenuEntry mini = command(L"Mini mode", kCmdMiniMode);
  mini.checked = state.miniMode;
  menu.push_back(std::move(mini));
  menu.push_back(submenu(L"Opacity", opacityEntries(state.opacity)));

  menu.push_back(separator());
  menu.push_back(command(L"Exit", kCmdExit));
  return menu;
}
