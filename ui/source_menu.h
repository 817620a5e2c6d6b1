// The shape the Radio and Podcasts submenus share: one entry per saved source with the chosen
// one marked, then "Add...", "Find ... online..." and the remove entry. No platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/menu_model.h"

struct SourceMenu {
  const std::vector<std::wstring>* names = nullptr;
  int64_t chosen = -1;  // the marked source, -1 none
  uint32_t firstId = 0;
  const wchar_t* addText = L"";
  uint32_t addId = 0;
  size_t limit = 0;  // "Add..." is greyed once this many are saved
  const wchar_t* findText = L"";
  uint32_t findId = 0;
  uint32_t removeId = 0;
  const wchar_t* removeNoneText = L"";  // the greyed remove entry when none is chosen
};

std::vector<MenuEntry> sourceMenuEntries(const SourceMenu& menu);
